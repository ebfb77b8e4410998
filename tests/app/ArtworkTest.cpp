// The artwork and the About box, through the application library under the offscreen
// platform.

#include "app/AboutDlg.h"
#include "app/Artwork.h"
#include "app/Commands.h"

#include <QApplication>
#include <QCursor>
#include <QFont>
#include <QDate>
#include <QLabel>
#include <QRegularExpression>
#include <QPixmap>

#include <gtest/gtest.h>

namespace {

TEST(Artwork, EveryToolbarCommandHasBothSizesAndADisabledLook)
{
    for (int id : kToolbarButtons) {
        if (id == 0)
            continue;
        SCOPED_TRACE(id);
        const QIcon icon = CommandIcon(id);
        ASSERT_FALSE(icon.isNull());
        const QList<QSize> sizes = icon.availableSizes();
        EXPECT_TRUE(sizes.contains(QSize(16, 15)));
        EXPECT_TRUE(sizes.contains(QSize(32, 30)));
        EXPECT_TRUE(icon.availableSizes(QIcon::Disabled).contains(QSize(32, 30)));
        EXPECT_NE(icon.pixmap(QSize(16, 15), 1.0).toImage(),
                  icon.pixmap(QSize(16, 15), 1.0, QIcon::Disabled).toImage());
    }
    EXPECT_TRUE(CommandIcon(ID_FILE_SAVE_AS).isNull());
}

TEST(Artwork, ToolCursorsLoadOnceWithTheirHotSpotInside)
{
    for (int id : {135, 131, 133, 134, 136, 146, 147, 168, 157}) {
        SCOPED_TRACE(id);
        const QCursor* pCursor = LoadToolCursor(id);
        ASSERT_NE(pCursor, nullptr);
        EXPECT_EQ(pCursor->pixmap().size(), QSize(32, 32));
        EXPECT_TRUE(QRect(0, 0, 32, 32).contains(pCursor->hotSpot()));
        EXPECT_EQ(LoadToolCursor(id), pCursor);
    }
    EXPECT_EQ(LoadToolCursor(32512)->shape(), Qt::ArrowCursor);
    EXPECT_EQ(LoadToolCursor(139), nullptr);
}

TEST(Artwork, AppIconAndAboutBox)
{
    const QList<QSize> sizes = AppIcon().availableSizes();
    for (int n : {16, 32, 48, 64, 128, 256})
        EXPECT_TRUE(sizes.contains(QSize(n, n))) << n;

    CAboutDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("About Skyloom"));
    EXPECT_EQ(dlg.findChild<QLabel*>(QStringLiteral("version"))->text(),
              QStringLiteral("Version  1.60"));
    // When the program was compiled, in the compiler's "Mmm dd yyyy" and "hh:mm:ss".
    const QString build = dlg.findChild<QLabel*>(QStringLiteral("build"))->text();
    const QRegularExpressionMatch match =
        QRegularExpression(
            QStringLiteral("^Build:  ([A-Z][a-z]{2} [ 0-9]\\d \\d{4})  \\d\\d:\\d\\d:\\d\\d$"))
            .match(build);
    ASSERT_TRUE(match.hasMatch()) << build.toStdString();
    const QDate date =
        QDate::fromString(match.captured(1).simplified(), QStringLiteral("MMM d yyyy"));
    EXPECT_TRUE(date.isValid()) << build.toStdString();
    EXPECT_GE(date.year(), 2024);
    EXPECT_EQ(dlg.findChild<QLabel*>(QStringLiteral("name"))->font().pixelSize(), 22);
}

} // namespace

int main(int argc, char** argv)
{
    // No screen is needed, also when CTest lists the tests at build time.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
