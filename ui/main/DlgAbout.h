#pragma once
// The About box: the build line over the about text, both in the interface language.
#include <QDialog>

class QLineEdit;
class QPlainTextEdit;

class CDlgAbout : public QDialog {
    Q_OBJECT
public:
    explicit CDlgAbout(QWidget* parent = nullptr);

    QString VersionText() const;
    QString AboutText() const;

private:
    QLineEdit* m_pVersion;
    QPlainTextEdit* m_pText;
};
