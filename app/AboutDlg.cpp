#include "AboutDlg.h"

#include "Artwork.h"
#include "StringTable.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFont>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const int kVersionMajor = SKYLOOM_VERSION_MAJOR;
const int kVersionMinor = SKYLOOM_VERSION_MINOR;
// When this program was compiled.
const char kBuildDate[] = __DATE__;
const char kBuildTime[] = __TIME__;

const char kWebSite[] = "https://skyloom.example.org";
const char kSupportAddress[] = "support@skyloom.example.org";

QLabel* LinkLabel(const QString& prefix, const QUrl& url, const QString& text, QWidget* pParent)
{
    auto* pLabel =
        new QLabel(QStringLiteral("%1<a href=\"%2\">%3</a>")
                       .arg(prefix.toHtmlEscaped(), url.toString(), text.toHtmlEscaped()),
                   pParent);
    pLabel->setTextFormat(Qt::RichText);
    pLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    pLabel->setOpenExternalLinks(false);
    pLabel->setToolTip(url.toString());
    return pLabel;
}

} // namespace

CAboutDlg::CAboutDlg(QWidget* pParent) : QDialog(pParent)
{
    setWindowTitle(tr("About Skyloom"));
    setModal(true);

    // The logo is a link to the web site too.
    auto* pLogo = new QToolButton(this);
    pLogo->setObjectName(QStringLiteral("logo"));
    pLogo->setIcon(AppIcon());
    pLogo->setIconSize(QSize(64, 64));
    pLogo->setAutoRaise(true);
    pLogo->setCursor(Qt::PointingHandCursor);
    pLogo->setToolTip(WebSite().toString());
    connect(pLogo, &QToolButton::clicked, this, [this] { OpenLink(WebSite()); });

    auto* pName = new QLabel(LoadString(IDS_ABOUT_NAME), this);
    pName->setObjectName(QStringLiteral("name"));
    QFont nameFont(QStringLiteral("Arial"));
    nameFont.setStyleHint(QFont::SansSerif);
    nameFont.setPixelSize(22);
    nameFont.setWeight(QFont::Normal);
    pName->setFont(nameFont);

    auto* pVersion =
        new QLabel(LoadString(IDS_ABOUT_VERSION)
                       .arg(QString::asprintf("%2d.%02d", kVersionMajor, kVersionMinor)),
                   this);
    pVersion->setObjectName(QStringLiteral("version"));
    auto* pBuild = new QLabel(
        LoadString(IDS_ABOUT_BUILD).arg(QLatin1String(kBuildDate), QLatin1String(kBuildTime)),
        this);
    pBuild->setObjectName(QStringLiteral("build"));
    auto* pCopyright =
        new QLabel(tr("Copyright \u00a9 1998 Vantrel Inc. All rights reserved."), this);
    pCopyright->setObjectName(QStringLiteral("copyright"));

    auto* pRule = new QFrame(this);
    pRule->setFrameShape(QFrame::HLine);
    pRule->setFrameShadow(QFrame::Sunken);

    auto* pWeb =
        LinkLabel(tr("Visit us on the web: "), WebSite(), QString::fromLatin1(kWebSite), this);
    pWeb->setObjectName(QStringLiteral("webLink"));
    auto* pMail = LinkLabel(tr("Technical support: "), SupportMail(),
                            QString::fromLatin1(kSupportAddress), this);
    pMail->setObjectName(QStringLiteral("mailLink"));
    for (QLabel* pLink : {pWeb, pMail})
        connect(pLink, &QLabel::linkActivated, this,
                [this](const QString& link) { OpenLink(QUrl(link)); });

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* pText = new QVBoxLayout;
    pText->setSpacing(2);
    pText->addWidget(pName);
    pText->addSpacing(4);
    pText->addWidget(pVersion);
    pText->addWidget(pBuild);
    pText->addSpacing(8);
    pText->addWidget(pCopyright);
    pText->addStretch(1);

    auto* pTop = new QHBoxLayout;
    pTop->setSpacing(16);
    pTop->addWidget(pLogo, 0, Qt::AlignTop);
    pTop->addLayout(pText, 1);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pTop);
    pLayout->addSpacing(6);
    pLayout->addWidget(pRule);
    pLayout->addWidget(pWeb);
    pLayout->addWidget(pMail);
    pLayout->addSpacing(6);
    pLayout->addWidget(pButtons);
    pLayout->setSizeConstraint(QLayout::SetFixedSize);

    pButtons->button(QDialogButtonBox::Ok)->setDefault(true);
}

QUrl CAboutDlg::WebSite()
{
    return QUrl(QString::fromLatin1(kWebSite));
}

QUrl CAboutDlg::SupportMail()
{
    return QUrl(QStringLiteral("mailto:") + QLatin1String(kSupportAddress));
}

void CAboutDlg::OpenLink(const QUrl& url)
{
    QDesktopServices::openUrl(url);
}
