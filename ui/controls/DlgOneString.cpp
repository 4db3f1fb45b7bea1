#include "ui/controls/DlgOneString.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CDlgOneString::CDlgOneString(const QString& label, const QString& caption, const QString& value,
                             QWidget* parent)
    : QDialog(parent), m_strValue(value) {
    setObjectName("128");
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    m_pLabel = new QLabel(label, this);
    m_pLabel->setObjectName("1049");
    m_pEdit = new QLineEdit(value, this);
    m_pEdit->setObjectName("1048");
    m_pLabel->setBuddy(m_pEdit);
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Horizontal, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(m_pLabel);
    layout->addWidget(m_pEdit);
    layout->addWidget(buttons);
    m_pEdit->setFocus();
    m_pEdit->selectAll();
    setMinimumWidth(300);
}

void CDlgOneString::accept() {
    m_strValue = m_pEdit->text();
    QDialog::accept();
}
