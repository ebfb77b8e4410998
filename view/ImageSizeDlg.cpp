#include "ImageSizeDlg.h"

#include "../document/SettingsStore.h"
#include "../document/Dib.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QHBoxLayout>
#include <QListWidget>
#include <QSpinBox>
#include <QVBoxLayout>

#include <climits>
#include <cmath>

namespace {

// The decimal number at the start of text, after blanks: 0 when there are no digits, -1 when
// it is negative or does not fit an int (both refused, as zero is).
int LeadingNumber(QStringView text)
{
    int i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    if (i < text.size() && text[i] == QLatin1Char('-'))
        return -1;
    if (i < text.size() && text[i] == QLatin1Char('+'))
        ++i;
    int64_t n = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
        n = n * 10 + (text[i].unicode() - '0');
        if (n > INT_MAX)
            return -1;
    }
    return static_cast<int>(n);
}

// The tallest sky sphere a picture can hold: twice as wide as high, within the size limits.
int LargestSkyHeight()
{
    int h = std::min(kMaxDibDimension / 2, int(std::sqrt(kMaxDibBytes / 6.0)));
    while (h > 1 && !DibSizeAllowed(2 * int64_t(h), h))
        --h;
    return h;
}

QString SkySizeText(int nHeight)
{
    return QStringLiteral("%1x%2").arg(2 * nHeight).arg(nHeight);
}

} // namespace

BOOL ParseImageSize(const QString& text, int& width, int& height)
{
    const int nX = text.indexOf(QLatin1Char('x'), 0, Qt::CaseInsensitive);
    if (nX < 0 || nX + 1 >= text.size())
        return FALSE;
    const int w = LeadingNumber(QStringView(text).left(nX));
    const int h = LeadingNumber(QStringView(text).mid(nX + 1));
    if (w <= 0 || h <= 0 || !DibSizeAllowed(w, h))
        return FALSE;
    width = w;
    height = h;
    return TRUE;
}

CImageSizeDlg::CImageSizeDlg(CSettingsStore& store, QWidget* pParent)
    : QDialog(pParent),
      m_store(store),
      m_pEdit(new QLineEdit),
      m_pList(new QListWidget),
      m_pError(new QLabel),
      m_pWrap(new QCheckBox(QStringLiteral("&Wrap around: effects painted past an edge come "
                                           "back in at the opposite one, so the image tiles"))),
      m_pSky(new QCheckBox(QStringLiteral("S&ky sphere (2:1 panorama)"))),
      m_pSkyHeight(new QSpinBox)
{
    setWindowTitle(QStringLiteral("Set Image Size"));

    auto* pPrompt = new QLabel(QStringLiteral(
        "&Choose one of the image sizes below or enter a custom size such as 48x48, 150x100, "
        "800x900, etc."));
    pPrompt->setWordWrap(true);
    pPrompt->setBuddy(m_pEdit);

    // 884, not 864: the list has always offered this size.
    m_pList->addItems({QStringLiteral("320x200"), QStringLiteral("320x240"),
                       QStringLiteral("512x384"), QStringLiteral("640x480"),
                       QStringLiteral("800x600"), QStringLiteral("1024x768"),
                       QStringLiteral("1152x884"), QStringLiteral("1280x1024"),
                       QStringLiteral("1600x1200")});
    // Today's screens and the square sizes of textures and wallpapers.
    m_pList->addItems({QStringLiteral("1920x1080"), QStringLiteral("2560x1440"),
                       QStringLiteral("3840x2160"), QStringLiteral("1024x1024"),
                       QStringLiteral("2048x2048"), QStringLiteral("4096x4096"),
                       QStringLiteral("8192x8192")});
    const QString text = m_store.GetString(QStringLiteral("Settings"),
                                           QStringLiteral("DefaultSize"),
                                           QStringLiteral("640x480"));
    m_pEdit->setText(text);
    const QList<QListWidgetItem*> matches = m_pList->findItems(text, Qt::MatchExactly);
    if (!matches.isEmpty())
        m_pList->setCurrentItem(matches.first());
    // Tab skips the list: on gaining the focus it would make its first entry current and so
    // overwrite the text. A click focuses it, and the arrow keys then walk the sizes.
    m_pList->setFocusPolicy(Qt::ClickFocus);
    connect(m_pList, &QListWidget::currentTextChanged, m_pEdit, &QLineEdit::setText);
    connect(m_pList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* pItem) { m_pEdit->setText(pItem->text()); });
    connect(m_pList, &QListWidget::itemDoubleClicked, this, &CImageSizeDlg::accept);

    QPalette palette = m_pError->palette();
    palette.setColor(QPalette::WindowText, Qt::red);
    m_pError->setPalette(palette);
    m_pError->setWordWrap(true);
    m_pError->hide();
    connect(m_pEdit, &QLineEdit::textEdited, m_pError, &QLabel::hide);

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(pButtons, &QDialogButtonBox::accepted, this, &CImageSizeDlg::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CImageSizeDlg::reject);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pPrompt);
    pLayout->addWidget(m_pEdit);
    pLayout->addWidget(m_pList);
    pLayout->addWidget(m_pError);
    m_pWrap->setChecked(m_store.GetInt(QStringLiteral("Settings"),
                                       QStringLiteral("DefaultWrapAround"), 0) != 0);
    pLayout->addWidget(m_pWrap);

    AddSkyRow(*pLayout);
    pLayout->addWidget(pButtons);
    if (m_pSky->isChecked())
        m_pSkyHeight->setFocus();
    else
        m_pEdit->setFocus();
    m_pEdit->selectAll();
}

void CImageSizeDlg::AddSkyRow(QVBoxLayout& layout)
{
    // A sky's width follows its height; the size field shows it, greyed, and the picture
    // needs no Wrap Around: a sphere closes on itself.
    auto* pSkyRow = new QHBoxLayout;
    auto* pHeightLabel = new QLabel(QStringLiteral("&Height:"));
    pHeightLabel->setBuddy(m_pSkyHeight);
    m_pSkyHeight->setRange(1, LargestSkyHeight());
    m_pSkyHeight->setSuffix(QStringLiteral(" pixels"));
    m_pSkyHeight->setValue(m_store.GetInt(QStringLiteral("Settings"),
                                          QStringLiteral("DefaultSkyHeight"), 1024));
    pSkyRow->addWidget(m_pSky);
    pSkyRow->addStretch();
    pSkyRow->addWidget(pHeightLabel);
    pSkyRow->addWidget(m_pSkyHeight);
    layout.addLayout(pSkyRow);
    const auto showSky = [this] {
        const bool bSky = m_pSky->isChecked();
        m_pEdit->setEnabled(!bSky);
        m_pList->setEnabled(!bSky);
        m_pWrap->setEnabled(!bSky);
        m_pSkyHeight->setEnabled(bSky);
        if (bSky) {
            m_pWrap->setChecked(false);
            m_pEdit->setText(SkySizeText(m_pSkyHeight->value()));
            m_pError->hide();
        }
    };
    connect(m_pSky, &QCheckBox::toggled, this, [this, showSky](bool bSky) {
        // Unticked, the size and the wrap-around come back as they were.
        if (bSky) {
            m_strFlatText = m_pEdit->text();
            m_bFlatWrap = m_pWrap->isChecked();
        }
        showSky();
        if (!bSky) {
            m_pEdit->setText(m_strFlatText);
            m_pWrap->setChecked(m_bFlatWrap);
            m_pEdit->setFocus();
        }
    });
    connect(m_pSkyHeight, &QSpinBox::valueChanged, this, showSky);
    m_pSky->setChecked(m_store.GetInt(QStringLiteral("Settings"), QStringLiteral("DefaultSky"),
                                      0) != 0);
    showSky();
}

void CImageSizeDlg::accept()
{
    const bool bSky = m_pSky->isChecked();
    m_store.WriteInt(QStringLiteral("Settings"), QStringLiteral("DefaultSky"), bSky ? 1 : 0);
    if (bSky) {
        m_nHeight = m_pSkyHeight->value();
        m_nWidth = 2 * m_nHeight;
        m_store.WriteInt(QStringLiteral("Settings"), QStringLiteral("DefaultSkyHeight"),
                         m_nHeight);
        QDialog::accept();
        return;
    }
    const QString text = m_pEdit->text();
    if (!ParseImageSize(text, m_nWidth, m_nHeight)) {
        QApplication::beep();
        m_pError->setText(QStringLiteral("Enter a size such as 800x600, at most %1 pixels a side "
                                      "and 350 million pixels in all.")
                          .arg(kMaxDibDimension));
        m_pError->show();
        m_pEdit->setFocus();
        m_pEdit->selectAll();
        return;
    }
    m_store.WriteString(QStringLiteral("Settings"), QStringLiteral("DefaultSize"), text);
    m_store.WriteInt(QStringLiteral("Settings"), QStringLiteral("DefaultWrapAround"),
                     m_pWrap->isChecked() ? 1 : 0);
    QDialog::accept();
}

bool CImageSizeDlg::GetWrapAround() const
{
    return m_pWrap->isChecked();
}

bool CImageSizeDlg::GetSkySphere() const
{
    return m_pSky->isChecked();
}
