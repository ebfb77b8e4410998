// The Options sheet, the image-size dialog and the render progress window, driven through
// their real widgets. Settings go to a temporary INI file.
#include "document/Settings.h"
#include "document/SettingsStore.h"
#include "view/ImageSizeDlg.h"
#include "view/OptionsSheet.h"
#include "view/PickColor.h"
#include "view/RenderProgressDlg.h"
#include "view/WindowHost.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

void SetText(QWidget* pRoot, const char* name, const QString& text)
{
    auto* pEdit = pRoot->findChild<QLineEdit*>(QString::fromLatin1(name));
    QVERIFY(pEdit);
    pEdit->selectAll();
    QTest::keyClicks(pEdit, text);
}

QPushButton* Button(QWidget* pRoot, QDialogButtonBox::StandardButton which)
{
    return pRoot->findChild<QDialogButtonBox*>()->button(which);
}

QPushButton* ButtonByText(QWidget* pRoot, const QString& text)
{
    for (QPushButton* pButton : pRoot->findChildren<QPushButton*>())
        if (pButton->text() == text)
            return pButton;
    return nullptr;
}

// Dismisses the next modal message box and keeps its text.
void AnswerNextMessage(QString& text)
{
    QTimer::singleShot(0, [&text] {
        if (auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            text = pBox->text();
            pBox->button(QMessageBox::Ok)->click();
        }
    });
}

// The window's host of these tests: no application, and a colour chooser that can be
// scripted.
class CScriptedColors : public CWindowHost
{
public:
    std::function<int(QColorDialog& dlg)> script;
    int RunColorChooser(QColorDialog& dlg) override
    {
        return script ? script(dlg) : CWindowHost::RunColorChooser(dlg);
    }
};

} // namespace

class SmallDialogsTest : public QObject
{
    Q_OBJECT

    CScriptedColors m_host;

private slots:
    void initTestCase()
    {
        // Numbers in the dialogs must not follow the user's locale.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
    void init()
    {
        ResetSettings();
        SetWindowHost(&m_host);
    }
    void cleanup()
    {
        m_host.script = {};
        SetWindowHost(nullptr);
    }

    void parseImageSize_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("plain") << "48x48" << true << 48 << 48;
        QTest::newRow("blanks, capital X") << "800 X 600" << true << 800 << 600;
        QTest::newRow("884 from the list") << "1152x884" << true << 1152 << 884;
        QTest::newRow("trailing text ignored") << " 16x9 px" << true << 16 << 9;
        QTest::newRow("largest side") << "65535x16" << true << 65535 << 16;
        QTest::newRow("no separator") << "640" << false << 0 << 0;
        QTest::newRow("nothing after x") << "640x" << false << 0 << 0;
        QTest::newRow("no width") << "x480" << false << 0 << 0;
        QTest::newRow("zero width") << "0x100" << false << 0 << 0;
        QTest::newRow("negative width") << "-5x10" << false << 0 << 0;
        QTest::newRow("negative height") << "10x -5" << false << 0 << 0;
        QTest::newRow("overflowing width") << "99999999999x2" << false << 0 << 0;
        QTest::newRow("wrapping to a small int") << "4294967306x2" << false << 0 << 0;
        QTest::newRow("side too long") << "70000x10" << false << 0 << 0;
        QTest::newRow("too many bytes") << "65535x65535" << false << 0 << 0;
    }
    void parseImageSize()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(int, width);
        QFETCH(int, height);
        int w = -7, h = -7;
        QCOMPARE(ParseImageSize(text, w, h), accepted ? TRUE : FALSE);
        QCOMPARE(w, accepted ? width : -7);
        QCOMPARE(h, accepted ? height : -7);
    }

    // Fill, edit every page through its controls, store.
    void optionsSheetRoundTrip()
    {
        g_nPreviewDelay = 0;
        g_crCustomColors[5] = RGB(1, 2, 3);
        COptionsSheet sheet;
        sheet.show();
        QCOMPARE(sheet.windowTitle(), QStringLiteral("Options"));
        auto* pTabs = sheet.findChild<QTabWidget*>();
        QCOMPARE(pTabs->currentIndex(), 0);
        QCOMPARE(pTabs->tabText(1), QStringLiteral("Preview"));

        // Stored 0: manual previews, with the delay field still in its range.
        QRadioButton* pManual = nullptr;
        for (QRadioButton* pRadio : sheet.findChildren<QRadioButton*>())
            if (pRadio->text() == QStringLiteral("&Manual"))
                pManual = pRadio;
        QVERIFY(pManual && pManual->isChecked());
        QCOMPARE(sheet.findChild<QLineEdit*>("previewDelay")->text(), QStringLiteral("1"));

        SetText(&sheet, "redTolerance", QStringLiteral("255"));
        SetText(&sheet, "greenTolerance", QStringLiteral("0"));
        SetText(&sheet, "blueTolerance", QStringLiteral("16"));
        SetText(&sheet, "undoMemory", QStringLiteral("64"));

        // The chooser starts on the page's colour, sees the program's custom colours, and
        // a custom colour changed in it is kept.
        COLORREF seen = 0, seenCustom = 0;
        m_host.script = [&](QColorDialog& dlg) {
            const QColor c = dlg.currentColor();
            seen = RGB(c.red(), c.green(), c.blue());
            const QColor custom = QColorDialog::customColor(5);
            seenCustom = RGB(custom.red(), custom.green(), custom.blue());
            QColorDialog::setCustomColor(5, QColor(9, 8, 7));
            dlg.setCurrentColor(QColor(0, 0, 255));
            dlg.accept();
            return dlg.result();
        };
        pTabs->setCurrentIndex(2);
        QTest::mouseClick(ButtonByText(pTabs->currentWidget(), QStringLiteral("Select...")),
                          Qt::LeftButton);
        QCOMPARE(seen, g_crBkgndColor);
        QCOMPARE(seenCustom, RGB(1, 2, 3));
        QCOMPARE(g_crCustomColors[5], RGB(9, 8, 7));

        QTest::mouseClick(Button(&sheet, QDialogButtonBox::Ok), Qt::LeftButton);
        QCOMPARE(sheet.result(), int(QDialog::Accepted));
        QCOMPARE(g_dwTolerance, DWORD(0x1000FF));
        QCOMPARE(g_nPreviewDelay, 0);
        QCOMPARE(g_crBkgndColor, RGB(0, 0, 255));
        QCOMPARE(g_nUndoMemory, 64);
    }

    void optionsSheetRefusesBadField_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("message");
        const QString tolerance = QStringLiteral("Please enter an integer between 0 and 255.");
        const QString delay = QStringLiteral("Please enter an integer between 1 and 10.");
        QTest::newRow("tolerance too big") << "greenTolerance" << "256" << 0 << tolerance;
        QTest::newRow("tolerance negative") << "redTolerance" << "-1" << 0 << tolerance;
        QTest::newRow("tolerance not a number") << "blueTolerance" << "1,5" << 0 << tolerance;
        QTest::newRow("delay zero") << "previewDelay" << "0" << 1 << delay;
        QTest::newRow("delay too long") << "previewDelay" << "11" << 1 << delay;
        QTest::newRow("undo memory zero")
            << "undoMemory" << "0" << 3
            << QStringLiteral("Please enter an integer between 1 and %1.").arg(MachineMemoryMiB());
    }
    void optionsSheetRefusesBadField()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(int, page);
        QFETCH(QString, message);
        g_dwTolerance = 0x030201;
        g_nPreviewDelay = 4;
        COptionsSheet sheet;
        sheet.show();
        // A valid edit elsewhere must not be stored either.
        SetText(&sheet, field == "redTolerance" ? "greenTolerance" : "redTolerance",
                QStringLiteral("9"));
        SetText(&sheet, field.toLatin1().constData(), text);

        QString shown;
        AnswerNextMessage(shown);
        QTest::mouseClick(Button(&sheet, QDialogButtonBox::Ok), Qt::LeftButton);
        QCOMPARE(shown, message);
        QVERIFY(sheet.isVisible());
        QCOMPARE(sheet.findChild<QTabWidget*>()->currentIndex(), page);
        // The field the sheet focuses once it is active again.
        QCOMPARE(sheet.focusWidget(), sheet.findChild<QLineEdit*>(field));

        QTest::mouseClick(Button(&sheet, QDialogButtonBox::Cancel), Qt::LeftButton);
        QCOMPARE(sheet.result(), int(QDialog::Rejected));
        QCOMPARE(g_dwTolerance, DWORD(0x030201));
        QCOMPARE(g_nPreviewDelay, 4);
    }

    void imageSizeDialogRemembersAcceptedText()
    {
        QTemporaryDir dir;
        CSettingsStore store(dir.filePath(QStringLiteral("settings.ini")));
        auto stored = [&store] {
            return store.GetString(QStringLiteral("Settings"), QStringLiteral("DefaultSize"),
                                   QStringLiteral("unset"));
        };
        {
            CImageSizeDlg dlg(store);
            dlg.show();
            auto* pEdit = dlg.findChild<QLineEdit*>();
            QCOMPARE(pEdit->text(), QStringLiteral("640x480"));
            pEdit->selectAll();
            QTest::keyClicks(pEdit, QStringLiteral("150x100"));
            QTest::keyClick(pEdit, Qt::Key_Return);
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
            QCOMPARE(dlg.GetWidth(), 150);
            QCOMPARE(dlg.GetHeight(), 100);
            QCOMPARE(stored(), QStringLiteral("150x100"));
        }
        CImageSizeDlg dlg(store);
        dlg.show();
        auto* pEdit = dlg.findChild<QLineEdit*>();
        QCOMPARE(pEdit->text(), QStringLiteral("150x100"));
        pEdit->selectAll();
        QTest::keyClicks(pEdit, QStringLiteral("70000x10"));
        QTest::mouseClick(Button(&dlg, QDialogButtonBox::Ok), Qt::LeftButton);
        QVERIFY(dlg.isVisible());
        QCOMPARE(stored(), QStringLiteral("150x100"));

        // A double click on a listed size takes it and closes. Every listed size can be made,
        // the common screens' among them.
        auto* pList = dlg.findChild<QListWidget*>();
        QVERIFY(pList->isVisible());
        QVERIFY(!pList->findItems(QStringLiteral("3840x2160"), Qt::MatchExactly).isEmpty());
        for (int i = 0; i < pList->count(); ++i) {
            int w = 0, h = 0;
            QVERIFY2(ParseImageSize(pList->item(i)->text(), w, h),
                     qPrintable(pList->item(i)->text()));
        }
        const QPoint at = pList->visualItemRect(pList->item(6)).center();
        QTest::mouseClick(pList->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(pEdit->text(), QStringLiteral("1152x884"));
        QTest::mouseDClick(pList->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.GetWidth(), 1152);
        QCOMPARE(dlg.GetHeight(), 884);
        QCOMPARE(stored(), QStringLiteral("1152x884"));
    }

    // The sky's box greys the size (which follows the height, twice as wide) and the wrap
    // box; unticked, both come back as they were; the choice is remembered.
    void imageSizeDialogMakesASky()
    {
        QTemporaryDir dir;
        CSettingsStore store(dir.filePath(QStringLiteral("settings.ini")));
        {
            CImageSizeDlg dlg(store);
            dlg.show();
            auto* pEdit = dlg.findChild<QLineEdit*>();
            const QList<QCheckBox*> boxes = dlg.findChildren<QCheckBox*>();
            QCOMPARE(boxes.size(), 2);
            QCheckBox* pWrap = boxes[0];
            QCheckBox* pSky = boxes[1];
            auto* pHeight = dlg.findChild<QSpinBox*>();
            QVERIFY(!pHeight->isEnabled());
            pWrap->setChecked(true);
            pSky->setChecked(true);
            QVERIFY(!pEdit->isEnabled() && !pWrap->isEnabled() && !pWrap->isChecked());
            QCOMPARE(pEdit->text(), QStringLiteral("2048x1024"));
            pHeight->setValue(300);
            QCOMPARE(pEdit->text(), QStringLiteral("600x300"));
            pSky->setChecked(false);
            QVERIFY(pEdit->isEnabled() && pWrap->isChecked());
            QCOMPARE(pEdit->text(), QStringLiteral("640x480"));
            pSky->setChecked(true);
            QTest::mouseClick(Button(&dlg, QDialogButtonBox::Ok), Qt::LeftButton);
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
            QVERIFY(dlg.GetSkySphere() && !dlg.GetWrapAround());
            QCOMPARE(dlg.GetWidth(), 600);
            QCOMPARE(dlg.GetHeight(), 300);
        }
        CImageSizeDlg dlg(store);
        QVERIFY(dlg.GetSkySphere());
        QCOMPARE(dlg.findChild<QSpinBox*>()->value(), 300);
        QCOMPARE(dlg.findChild<QLineEdit*>()->text(), QStringLiteral("600x300"));
    }

    void renderProgressTexts()
    {
        QCOMPARE(CRenderProgressDlg::PercentText(7), QStringLiteral(" 7 %"));
        QCOMPARE(CRenderProgressDlg::PercentText(100), QStringLiteral("100 %"));
        QCOMPARE(CRenderProgressDlg::ElapsedText(0), QStringLiteral("Elapsed Time: 00:00.000"));
        QCOMPARE(CRenderProgressDlg::ElapsedText(61234),
                 QStringLiteral("Elapsed Time: 01:01.234"));
        QCOMPARE(CRenderProgressDlg::ElapsedText(3599999),
                 QStringLiteral("Elapsed Time: 59:59.999"));
    }

    // The main window is locked while the window shows, and its own Cancel still works.
    void renderProgressLocksMainWindow()
    {
        QWidget frame;
        auto* pCanvas = new QWidget(&frame);
        frame.show();
        {
            CRenderProgressDlg dlg;
            dlg.Start(200, pCanvas);
            QVERIFY(!frame.isEnabled());
            dlg.SetProgress(37);
            QCOMPARE(dlg.findChild<QProgressBar*>()->value(), 18);
            QStringList texts;
            for (QLabel* pLabel : dlg.findChildren<QLabel*>())
                texts << pLabel->text();
            QVERIFY2(texts.contains(QStringLiteral("18 %")), qPrintable(texts.join('|')));
            auto* pCancel = dlg.findChild<QDialogButtonBox*>()->buttons().first();
            QVERIFY(pCancel->isEnabled());
            QTest::mouseClick(pCancel, Qt::LeftButton);
            QVERIFY(dlg.IsCancelled());
            QVERIFY(frame.isEnabled());
        }
        auto pDlg = std::make_unique<CRenderProgressDlg>();
        pDlg->Start(0, pCanvas);
        pDlg->SetProgress(5); // no units: no division
        QCOMPARE(pDlg->findChild<QProgressBar*>()->value(), 0);
        QVERIFY(!pDlg->IsCancelled());
        pDlg.reset();
        QVERIFY(frame.isEnabled());
    }
};

QTEST_MAIN(SmallDialogsTest)
#include "SmallDialogsTest.moc"
