#include "ui/main/DlgAbout.h"

#include "app/AppIcon.h"
#include "app/Version.h"
#include "ui/main/Resources.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kAboutString = 112;
constexpr int kIconSize = 48;
constexpr int kTextLines = 6;

} // namespace

CDlgAbout::CDlgAbout(QWidget* parent) : QDialog(parent) {
    setWindowTitle(Res::DialogText(Res::kAboutDialog, Res::kCaption));
    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon::Icon().pixmap(kIconSize, kIconSize));
    icon->setAlignment(Qt::AlignTop);

    m_pVersion = new QLineEdit(QString::fromStdString(Version::AboutBuildLine()), this);
    m_pVersion->setObjectName("version");
    m_pVersion->setReadOnly(true);
    m_pVersion->setFrame(false);

    // The text keeps its line breaks; the version goes where the text asks for it.
    m_pText = new QPlainTextEdit(this);
    m_pText->setObjectName("about");
    m_pText->setReadOnly(true);
    m_pText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff); // the lines wrap
    m_pText->setPlainText(Res::String(kAboutString).replace("%version%", Version::kVersion));
    m_pText->setMinimumHeight(m_pText->fontMetrics().lineSpacing() * kTextLines);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(Res::DialogText(Res::kAboutDialog, Res::kAboutOk),
                                         QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(m_pVersion);
    texts->addWidget(m_pText, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(texts, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(buttons);
    resize(480, sizeHint().height());
}

QString CDlgAbout::VersionText() const {
    return m_pVersion->text();
}
QString CDlgAbout::AboutText() const {
    return m_pText->toPlainText();
}
