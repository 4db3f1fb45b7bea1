#pragma once
// One line of text asked for in a small dialog: a label above the field, a caption, and
// the initial value selected so that typing replaces it.
#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;

class CDlgOneString : public QDialog {
    Q_OBJECT
public:
    CDlgOneString(const QString& label, const QString& caption, const QString& value,
                  QWidget* parent = nullptr);

    // The text of the field when OK was pressed; the initial value before.
    QString Value() const { return m_strValue; }
    QLineEdit* Edit() const { return m_pEdit; }

    void accept() override;

private:
    QLabel* m_pLabel;
    QLineEdit* m_pEdit;
    QString m_strValue;
};
