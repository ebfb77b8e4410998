// skyloom-render: its usage errors and file errors, what its steps paint and where, its
// help, and the program itself run end to end.
#include "EffectTestSupport.h"

#include "cli/RenderCommand.h"
#include "document/Recipe.h"
#include "effects/EffectTools.h"
#include "imagefile/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct CRun
{
    int nExit = -1;
    QString out;
    QString err;
};

CRun RunCommand(const QStringList& args)
{
    CRun run;
    QTextStream out(&run.out), err(&run.err);
    run.nExit = RunRenderCommand(args, out, err, false);
    out.flush();
    err.flush();
    return run;
}

// The program itself, with its own environment.
CRun RunProgram(const QStringList& args,
                const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(SKYLOOM_RENDER_PROGRAM), args);
    CRun run;
    if (!process.waitForFinished(60000))
        return run;
    run.nExit = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Pixel at (x, y) from the top left of a loaded picture.
DWORD TopDownPixel(const CDib& dib, int x, int y)
{
    return dib.GetPixel(x, dib.m_nHeight - 1 - y);
}

class RenderCommandTest : public ::testing::Test
{
protected:
    QString Path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }
    QTemporaryDir m_dir;
};

}

TEST_F(RenderCommandTest, UsageErrorsSayOneLineAndExitTwo)
{
    const QString out = Path("out.bmp");
    const QStringList cases[] = {
        {},
        {QStringLiteral("--bogus"), QStringLiteral("-o"), out},
        {QStringLiteral("stray"), QStringLiteral("-o"), out},
        {QStringLiteral("--effect"), QStringLiteral("Nebulae"), QStringLiteral("-o"), out},
        {QStringLiteral("--effect"), QStringLiteral("nebula"), QStringLiteral("-o"), out},
        {QStringLiteral("--effect"), QStringLiteral("Nebula"), QStringLiteral("--set"),
         QStringLiteral("Intensity=1.5"), QStringLiteral("-o"), out},
        {QStringLiteral("--effect"), QStringLiteral("Nebula"), QStringLiteral("--set"),
         QStringLiteral("Itensity=1x"), QStringLiteral("-o"), out},
        {QStringLiteral("--effect"), QStringLiteral("Nebula"), QStringLiteral("--set"),
         QStringLiteral("Itensity=inf"), QStringLiteral("-o"), out},
        {QStringLiteral("--effect"), QStringLiteral("Vortex"), QStringLiteral("--set"),
         QStringLiteral("InnerRadius=1.5"), QStringLiteral("-o"), out},
        {QStringLiteral("--effect"), QStringLiteral("Star"), QStringLiteral("--set"),
         QStringLiteral("ColorHigh=fffff"), QStringLiteral("-o"), out},
        {QStringLiteral("--effect"), QStringLiteral("Star"), QStringLiteral("--set"),
         QStringLiteral("TransparentInterior=2"), QStringLiteral("-o"), out},
        {QStringLiteral("--effect"), QStringLiteral("Lens Flare"), QStringLiteral("--set"),
         QStringLiteral("PrimaryStreaks=2.5"), QStringLiteral("-o"), out},
        {QStringLiteral("--effect"), QStringLiteral("Star"), QStringLiteral("--set"),
         QStringLiteral("=1"), QStringLiteral("-o"), out},
        {QStringLiteral("--effect"), QStringLiteral("Galaxy"), QStringLiteral("--set"),
         QStringLiteral("Type=Se"), QStringLiteral("-o"), out},
        {QStringLiteral("--effect"), QStringLiteral("Galaxy"), QStringLiteral("--set"),
         QStringLiteral("Tilt=steep"), QStringLiteral("-o"), out},
        {QStringLiteral("--effect"), QStringLiteral("Galaxy"), QStringLiteral("--set"),
         QStringLiteral("GasTexture=no such file.jpg"), QStringLiteral("-o"), out},
        {QStringLiteral("--set"), QStringLiteral("Itensity=1"), QStringLiteral("-o"), out},
        {QStringLiteral("--effect"), QStringLiteral("Star"), QStringLiteral("--rect"),
         QStringLiteral("1,2,3"), QStringLiteral("-o"), out},
        {QStringLiteral("--effect"), QStringLiteral("Star"), QStringLiteral("--rect"),
         QStringLiteral("0,0,99999999,10"), QStringLiteral("-o"), out},
        {QStringLiteral("--effect"), QStringLiteral("Star"), QStringLiteral("--seed"),
         QStringLiteral("4294967296"), QStringLiteral("-o"), out},
        {QStringLiteral("--effect"), QStringLiteral("Star"), QStringLiteral("--seed"),
         QStringLiteral("1"), QStringLiteral("--seed"), QStringLiteral("2"), QStringLiteral("-o"),
         out},
        {QStringLiteral("--effect")},
        {QStringLiteral("--size"), QStringLiteral("10x"), QStringLiteral("-o"), out},
        {QStringLiteral("--size"), QStringLiteral("70000x10"), QStringLiteral("-o"), out},
        {QStringLiteral("--size"), QStringLiteral("30000x30000"), QStringLiteral("-o"), out},
        {QStringLiteral("--size"), QStringLiteral("10x10"), QStringLiteral("--input"), out,
         QStringLiteral("-o"), out},
        {QStringLiteral("--input"), out, QStringLiteral("--background"), QStringLiteral("ffffff"),
         QStringLiteral("-o"), out},
        // "-h" as a value is a file's name, not the help: this line is wrong as --size is.
        {QStringLiteral("--input"), QStringLiteral("-h"), QStringLiteral("--size"),
         QStringLiteral("10x10"), QStringLiteral("-o"), out},
        {QStringLiteral("--background"), QStringLiteral("red"), QStringLiteral("-o"), out},
        {QStringLiteral("--format"), QStringLiteral("gif"), QStringLiteral("-o"), out},
        {QStringLiteral("-o"), Path("out.gif")},
        {QStringLiteral("-o"), Path("out.tga")},
        {QStringLiteral("-o"), out, QStringLiteral("-o"), out},
        // A --format that contradicts the output's name, or goes with a name no writer has.
        {QStringLiteral("--format"), QStringLiteral("jpeg"), QStringLiteral("-o"), out},
        {QStringLiteral("--format"), QStringLiteral("png"), QStringLiteral("-o"), out},
        {QStringLiteral("--format"), QStringLiteral("bmp24"), QStringLiteral("-o"),
         Path("out.JPG")},
        {QStringLiteral("--format"), QStringLiteral("bmp256"), QStringLiteral("-o"),
         Path("out.png")},
        {QStringLiteral("--format"), QStringLiteral("png"), QStringLiteral("-o"), Path("out.jpeg")},
        {QStringLiteral("--format"), QStringLiteral("jpeg"), QStringLiteral("-o"), Path("out.tga")},
        {QStringLiteral("--format"), QStringLiteral("png"), QStringLiteral("-o"), Path("out.txt")},
    };
    for (const QStringList& args : cases) {
        const CRun run = RunCommand(args);
        EXPECT_EQ(run.nExit, RENDER_USAGE_ERROR) << args.join(' ').toStdString();
        EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.startsWith(QLatin1String("skyloom-render: "))) << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(out)) << args.join(' ').toStdString();
    }
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList()) << "nothing written";
}

// The output's bytes match its name: ".jpeg" writes JPEG, bmp256 refines ".bmp", and a name
// without extension takes --format (24-bit BMP without it).
TEST_F(RenderCommandTest, OutputsAreWrittenAsTheirNamesSay)
{
    const struct
    {
        const char* szName;
        const char* szFormat;
        QByteArray start;
    } cases[] = {
        {"a.jpeg", nullptr, QByteArray("\xFF\xD8\xFF")},
        {"b.JPG", "jpeg", QByteArray("\xFF\xD8\xFF")},
        {"c.Bmp", "bmp256", QByteArray("BM")},
        {"d.png", "png", QByteArray("\x89PNG")},
        {"plain", "png", QByteArray("\x89PNG")},
        {"bare", nullptr, QByteArray("BM")},
    };
    for (const auto& c : cases) {
        QStringList args = {QStringLiteral("--size"), QStringLiteral("6x5"), QStringLiteral("-o"),
                            Path(c.szName)};
        if (c.szFormat)
            args << QStringLiteral("--format") << QLatin1String(c.szFormat);
        const CRun run = RunCommand(args);
        ASSERT_EQ(run.nExit, RENDER_OK) << c.szName << ": " << run.err.toStdString();
        const QByteArray bytes = Contents(Path(c.szName));
        EXPECT_TRUE(bytes.startsWith(c.start)) << c.szName;
        if (QByteArray(c.szName) == "c.Bmp") {
            EXPECT_EQ(bytes.at(28), 8) << "8 bits a pixel";
        }
    }
}

// --input knows a picture by its content: a JPEG named .bmp, a PNG named .jpg (whose
// recipe goes on into the output) and a BMP named .png convert as under their right names.
TEST_F(RenderCommandTest, InputsOpenByTheirContentWhateverTheirName)
{
    for (const char* name : {"right.bmp", "right.jpg", "right.png"})
        ASSERT_EQ(RunProgram({"--size", "7x5", "--background", "3060c0", "--effect", "Star",
                              "--seed", "1", "--rect", "0,0,7,5", "-o", Path(name)})
                      .nExit,
                  RENDER_OK)
            << name;
    const struct
    {
        const char* szRight;
        const char* szWrong;
    } cases[] = {{"right.jpg", "jpeg.bmp"}, {"right.png", "png.jpg"}, {"right.bmp", "bmp.png"}};
    for (const auto& c : cases) {
        ASSERT_TRUE(QFile::copy(Path(c.szRight), Path(c.szWrong)));
        const QString out = Path(c.szWrong) + QStringLiteral(".png");
        const CRun run = RunProgram({"--input", Path(c.szWrong), "-o", out});
        ASSERT_EQ(run.nExit, RENDER_OK) << c.szWrong << ": " << run.err.toStdString();
        CDib right, converted;
        QString recipe;
        ASSERT_TRUE(right.Load(QFile::encodeName(Path(c.szRight)).constData()));
        ASSERT_TRUE(converted.LoadPNG(QFile::encodeName(out).constData(), &recipe));
        EXPECT_TRUE(SamePicture(right, converted)) << c.szWrong;
        // A PNG's recipe goes on; any other file's recipe begins from the file.
        EXPECT_EQ(recipe.contains(QLatin1String("\"Star\"")), QByteArray(c.szRight) == "right.png")
            << c.szWrong << ": " << recipe.toStdString();
    }
}

TEST_F(RenderCommandTest, FileErrorsExitOneAndLeaveTheOutputAlone)
{
    const QString out = Path("keep.bmp");
    {
        QFile file(out);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("precious");
    }
    CRun run =
        RunCommand({QStringLiteral("--input"), Path("missing.bmp"), QStringLiteral("-o"), out});
    EXPECT_EQ(run.nExit, RENDER_FILE_ERROR);
    EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1);
    // A file that is no picture.
    run = RunCommand({QStringLiteral("--input"), out, QStringLiteral("-o"), Path("x.bmp")});
    EXPECT_EQ(run.nExit, RENDER_FILE_ERROR);
    run = RunCommand({QStringLiteral("--size"), QStringLiteral("8x8"), QStringLiteral("-o"),
               Path("no/such/folder/x.bmp")});
    EXPECT_EQ(run.nExit, RENDER_FILE_ERROR);
    EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1);
    // A bad value after a good step: nothing renders, the old file stays.
    run = RunCommand({QStringLiteral("--effect"), QStringLiteral("Star"),
                      QStringLiteral("--effect"), QStringLiteral("Gas"), QStringLiteral("--set"),
                      QStringLiteral("Frequency=65"), QStringLiteral("-o"), out});
    EXPECT_EQ(run.nExit, RENDER_USAGE_ERROR);
    EXPECT_EQ(Contents(out), QByteArray("precious"));
    // A file made read-only is not replaced, by root either.
    ASSERT_TRUE(QFile::setPermissions(out, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    run = RunCommand({QStringLiteral("--size"), QStringLiteral("8x8"), QStringLiteral("-o"), out});
    EXPECT_EQ(run.nExit, RENDER_FILE_ERROR);
    EXPECT_TRUE(run.err.contains(QLatin1String("read-only"))) << run.err.toStdString();
    EXPECT_EQ(Contents(out), QByteArray("precious"));
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(out).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
}

TEST_F(RenderCommandTest, StepsPaintWhereTheRectangleSaysWithTheValuesSet)
{
    // A green-cored star in the top-left quarter of a blue picture, written as a 24-bit BMP.
    const QString out = Path("star.bmp");
    const CRun run = RunCommand(
        {QStringLiteral("--size"), QStringLiteral("40x30"), QStringLiteral("--background"),
         QStringLiteral("0000ff"), QStringLiteral("--effect"), QStringLiteral("Star"),
         QStringLiteral("--rect"), QStringLiteral("20,15,0,0"), QStringLiteral("--set"),
         QStringLiteral("ColorHigh=00ff00"), QStringLiteral("--set"), QStringLiteral("Radius=0.5"),
         QStringLiteral("--format"), QStringLiteral("bmp24"), QStringLiteral("-o"), out});
    ASSERT_EQ(run.nExit, RENDER_OK) << run.err.toStdString();
    EXPECT_TRUE(Contents(out).startsWith("BM"));
    // The star has no randomness, but its step still reports the seed it used.
    EXPECT_TRUE(run.out.startsWith(QLatin1String("Star: --seed "))) << run.out.toStdString();
    CDib dib;
    ASSERT_TRUE(dib.LoadBMP(out.toLocal8Bit().constData()));
    ASSERT_EQ(dib.GetSize(), CSize(40, 30));
    EXPECT_EQ(TopDownPixel(dib, 10, 7), 0x00FF00u);
    EXPECT_EQ(TopDownPixel(dib, 30, 22), 0x0000FFu);
    EXPECT_EQ(TopDownPixel(dib, 0, 29), 0x0000FFu);

    // With no step the input is only converted.
    const QString copy = Path("copy.bmp");
    ASSERT_EQ(RunCommand({QStringLiteral("--input"), out, QStringLiteral("-o"), copy}).nExit,
              RENDER_OK);
    CDib again;
    ASSERT_TRUE(again.Load(copy.toLocal8Bit().constData()));
    EXPECT_TRUE(SamePicture(dib, again));

    // A rectangle that misses the picture paints nothing, as a drag there would not, even
    // when the nebula's 45-degree turn would sweep into the picture.
    const QString missed = Path("missed.bmp");
    ASSERT_EQ(RunCommand({QStringLiteral("--size"), QStringLiteral("20x20"),
                          QStringLiteral("--effect"), QStringLiteral("Lens Flare"),
                          QStringLiteral("--rect"), QStringLiteral("30,30,40,40"),
                          QStringLiteral("--effect"), QStringLiteral("Nebula"),
                          QStringLiteral("--seed"), QStringLiteral("3"), QStringLiteral("--rect"),
                          QStringLiteral("-20,-10,-1,30"), QStringLiteral("-o"), missed})
                  .nExit,
              RENDER_OK);
    CDib black;
    ASSERT_TRUE(black.Load(missed.toLocal8Bit().constData()));
    EXPECT_EQ(CountLitPixels(black), 0);
}

TEST_F(RenderCommandTest, GalaxyTypeAndOrientationByName)
{
    // A barred spiral is a flat disc: face-on it spreads over the picture, edge-on it is a
    // thin streak along the middle row.
    const auto render = [this](const char* szTilt, const char* szName) {
        const QString out = Path(szName);
        const CRun run = RunCommand(
            {QStringLiteral("--size"), QStringLiteral("80x60"), QStringLiteral("--effect"),
             QStringLiteral("Galaxy"), QStringLiteral("--seed"), QStringLiteral("11"),
             QStringLiteral("--set"), QStringLiteral("Type=Barred Spiral SBa"),
             QStringLiteral("--set"), QStringLiteral("Tilt=") + QLatin1String(szTilt),
             QStringLiteral("-o"), out});
        EXPECT_EQ(run.nExit, RENDER_OK) << run.err.toStdString();
        auto dib = std::make_unique<CDib>();
        EXPECT_TRUE(dib->Load(out.toLocal8Bit().constData()));
        return dib;
    };
    const auto faceOn = render("90", "face.bmp");
    const auto edgeOn = render("0", "edge.bmp");
    ASSERT_EQ(faceOn->GetSize(), CSize(80, 60));
    ASSERT_EQ(edgeOn->GetSize(), CSize(80, 60));
    // Lit pixels in the top third, rows 0 to 19 from the top (rows 40 to 59 from the bottom).
    const auto topThird = [](const CDib& dib) {
        int lit = 0;
        for (int y = 40; y < 60; ++y)
            for (int x = 0; x < 80; ++x)
                lit += dib.GetPixel(x, y) != 0;
        return lit;
    };
    EXPECT_GT(topThird(*faceOn), 20);
    EXPECT_EQ(topThird(*edgeOn), 0);
    EXPECT_NE(TopDownPixel(*edgeOn, 40, 30), 0u) << "the middle of the streak";
}

TEST_F(RenderCommandTest, HelpNamesEveryEffectAndValue)
{
    const CRun run =
        RunCommand({QStringLiteral("--effect"), QStringLiteral("Bogus"), QStringLiteral("--help")});
    EXPECT_EQ(run.nExit, RENDER_OK);
    for (int i = 1; i < TOOL_COUNT; ++i) {
        const auto effect = CreateTool(i);
        if (!effect)
            continue;
        EXPECT_TRUE(run.out.contains(QStringLiteral("\n  ") + effect->m_strSection) ||
                    run.out.contains(QStringLiteral("\n  \"") + effect->m_strSection))
            << effect->m_strSection.toStdString();
        for (const CEffectValue& value : effect->GetValues())
            EXPECT_TRUE(run.out.contains(QStringLiteral("    ") + QLatin1String(value.szName)))
                << value.szName;
        for (const CEffectOption& option : effect->GetOptions())
            EXPECT_TRUE(run.out.contains(QStringLiteral("    ") + QLatin1String(option.szName)))
                << option.szName;
    }
}

TEST_F(RenderCommandTest, ProgramIsReproducibleAndIgnoresTheUsersSettings)
{
    // The user's own settings say a red star core and a dim nebula; the program must not
    // read them.
    QTemporaryDir home;
    QDir(home.path()).mkpath(QStringLiteral("config/Vantrel Inc."));
    {
        QFile conf(home.filePath(QStringLiteral("config/Vantrel Inc./Skyloom.conf")));
        ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
        conf.write("[Star]\nColorHigh=255\n[Nebula]\nItensity=0.000000\n");
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("HOME"), home.path());

    const QStringList steps = {
        QStringLiteral("--size"),       QStringLiteral("97x61"),
        QStringLiteral("--background"), QStringLiteral("102030"),
        QStringLiteral("--effect"),     QStringLiteral("StarField"),
        QStringLiteral("--seed"),       QStringLiteral("11"),
        QStringLiteral("--set"),        QStringLiteral("Density=0.05"),
        QStringLiteral("--effect"),     QStringLiteral("Nebula"),
        QStringLiteral("--seed"),       QStringLiteral("12"),
        QStringLiteral("--rect"),       QStringLiteral("-10,5,70,60"),
        QStringLiteral("--effect"),     QStringLiteral("Vortex"),
        QStringLiteral("--seed"),       QStringLiteral("13"),
        QStringLiteral("--effect"),     QStringLiteral("Gas"),
        QStringLiteral("--seed"),       QStringLiteral("14"),
        QStringLiteral("--effect"),     QStringLiteral("Star"),
        QStringLiteral("--rect"),       QStringLiteral("60,0,97,30"),
        QStringLiteral("--seed"),       QStringLiteral("15"),
        QStringLiteral("--effect"),     QStringLiteral("Lens Flare"),
        QStringLiteral("--seed"),       QStringLiteral("16"),
        QStringLiteral("--set"),        QStringLiteral("BlueOn=1"),
    };
    const QString first = Path("first.bmp"), second = Path("second.bmp"), other = Path("other.bmp");
    CRun run = RunProgram(QStringList(steps) << QStringLiteral("-o") << first, env);
    ASSERT_EQ(run.nExit, RENDER_OK) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty()) << "every seed was given";
    ASSERT_EQ(RunProgram(QStringList(steps) << QStringLiteral("-o") << second, env).nExit,
              RENDER_OK);
    EXPECT_EQ(Contents(first), Contents(second));
    EXPECT_GT(Contents(first).size(), 97 * 61 * 3);

    QStringList changed = steps;
    changed[changed.indexOf(QStringLiteral("12"))] = QStringLiteral("99");
    ASSERT_EQ(RunProgram(changed << QStringLiteral("-o") << other, env).nExit, RENDER_OK);
    EXPECT_NE(Contents(first), Contents(other));

    // The star's core is the built-in white, not the user's red.
    CDib dib;
    ASSERT_TRUE(dib.Load(first.toLocal8Bit().constData()));
    EXPECT_EQ(TopDownPixel(dib, 78, 15), 0xFFFFFFu);
    // And the user's file is as it was.
    EXPECT_EQ(Contents(home.filePath(QStringLiteral("config/Vantrel Inc./Skyloom.conf"))),
              QByteArray("[Star]\nColorHigh=255\n[Nebula]\nItensity=0.000000\n"));

    // The program's own exit codes and messages.
    run = RunProgram({QStringLiteral("--effect"), QStringLiteral("Star"), QStringLiteral("--set"),
                      QStringLiteral("Radius=2"), QStringLiteral("-o"), Path("x.bmp")}, env);
    EXPECT_EQ(run.nExit, RENDER_USAGE_ERROR);
    EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1);
    run = RunProgram(
        {QStringLiteral("--input"), Path("none.tga"), QStringLiteral("-o"), Path("x.bmp")}, env);
    EXPECT_EQ(run.nExit, RENDER_FILE_ERROR);
    EXPECT_FALSE(QFile::exists(Path("x.bmp")));
}

TEST_F(RenderCommandTest, LitEffectsGetTheDefaultLight)
{
    // The planets need the light "Sun" the canvas view makes at start; the command sets it
    // up (and takes it down) itself.
    const QString out = Path("moon.bmp");
    const CRun run =
        RunCommand({QStringLiteral("--size"), QStringLiteral("64x48"), QStringLiteral("--effect"),
                    QStringLiteral("Moon"), QStringLiteral("--seed"), QStringLiteral("8"),
                    QStringLiteral("-o"), out});
    ASSERT_EQ(run.nExit, RENDER_OK) << run.err.toStdString();
    CDib dib;
    ASSERT_TRUE(dib.Load(out.toLocal8Bit().constData()));
    EXPECT_GT(CountLitPixels(dib), 64 * 48 / 4);
}

namespace {

// Sum of red, green and blue over a rectangle given from the top left.
long Brightness(const CDib& dib, int left, int top, int right, int bottom)
{
    long sum = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            const DWORD c = TopDownPixel(dib, x, y);
            sum += (c >> 16 & 0xFF) + (c >> 8 & 0xFF) + (c & 0xFF);
        }
    return sum;
}

}

TEST_F(RenderCommandTest, PlanetsDrawInTheCentredSquareReproduciblyUnderTheLightGiven)
{
    auto render = [&](const char* effect, const QString& out, QStringList extra) {
        QStringList args = {QStringLiteral("--size"), QStringLiteral("240x140"),
                            QStringLiteral("--background"), QStringLiteral("102030"),
                            QStringLiteral("--effect"), QLatin1String(effect),
                            QStringLiteral("--rect"), QStringLiteral("20,20,220,120"),
                            QStringLiteral("--seed"), QStringLiteral("9")};
        args << extra << QStringLiteral("-o") << out;
        const CRun run = RunCommand(args);
        EXPECT_EQ(run.nExit, RENDER_OK) << run.err.toStdString();
        auto dib = std::make_unique<CDib>();
        EXPECT_TRUE(dib->Load(out.toLocal8Bit().constData()));
        return dib;
    };
    for (const char* effect : {"Venus", "Moon", "Earth"}) {
        auto dib = render(effect, Path("a.bmp"), {});
        // The 200 x 100 rectangle draws into its centred 100 x 100 square only.
        int outside = 0, inside = 0;
        for (int y = 0; y < 140; ++y)
            for (int x = 0; x < 240; ++x) {
                const bool changed = TopDownPixel(*dib, x, y) != 0x102030u;
                if (x >= 70 && x < 170 && y >= 20 && y < 120)
                    inside += changed;
                else
                    outside += changed;
            }
        EXPECT_EQ(outside, 0) << effect;
        EXPECT_GT(inside, 3000) << effect;
        // The same seed, the same picture.
        render(effect, Path("b.bmp"), {});
        EXPECT_EQ(Contents(Path("a.bmp")), Contents(Path("b.bmp"))) << effect;
    }

    // The Earth's halo lights a ring just beyond the rim that the Moon leaves dark.
    auto ring = [&](const char* effect) {
        auto dib = render(effect, Path("ring.bmp"), {});
        const double rim = 50 / std::sqrt(24.0) / std::tan(15 * 3.141592653589793 / 180);
        int lit = 0;
        for (int a = 0; a < 360; a += 10) {
            const double t = a * 3.141592653589793 / 180;
            lit += TopDownPixel(*dib, int(120 + (rim + 2) * std::cos(t)),
                                int(70 + (rim + 2) * std::sin(t))) != 0x102030u;
        }
        return lit;
    };
    EXPECT_GE(ring("Earth"), 34);
    EXPECT_LE(ring("Moon"), 2);

    // Orientation 180 lights the planet from the left, 0 from the right: seen on a Venus of
    // one colour, with the background taken away.
    const QStringList white = {QStringLiteral("--set"), QStringLiteral("CloudColor=FFFFFF"),
                               QStringLiteral("--set"), QStringLiteral("SurfaceColor=FFFFFF")};
    auto left = render("Venus", Path("l.bmp"),
                       white + QStringList{QStringLiteral("--light"), QStringLiteral("180,50,50")});
    auto right = render("Venus", Path("r.bmp"),
                        white + QStringList{QStringLiteral("--light"), QStringLiteral("0,50,50")});
    const long background = (0x10 + 0x20 + 0x30) * 50 * 100;
    EXPECT_GT(Brightness(*left, 70, 20, 120, 120) - background,
              (Brightness(*left, 120, 20, 170, 120) - background) * 2);
    EXPECT_GT(Brightness(*right, 120, 20, 170, 120) - background,
              (Brightness(*right, 70, 20, 120, 120) - background) * 2);

    // A fractal dimension set by name takes effect, as the dialog's does.
    render("Moon", Path("d.bmp"), {});
    render("Moon", Path("h.bmp"), {QStringLiteral("--set"), QStringLiteral("Fractal=0.2")});
    EXPECT_NE(Contents(Path("d.bmp")), Contents(Path("h.bmp")));

    for (const char* bad : {"45,50", "360,50,50", "45,101,50", "a,b,c", "45,50,-1"}) {
        const CRun run = RunCommand({QStringLiteral("--light"), QLatin1String(bad),
                                     QStringLiteral("-o"), Path("x.bmp")});
        EXPECT_EQ(run.nExit, RENDER_USAGE_ERROR) << bad;
        EXPECT_TRUE(run.err.contains(QStringLiteral("--light"))) << bad;
    }
}

namespace {

// The program run with these exact argument bytes (QProcess would pass them as UTF-8).
int RunProgramWithBytes(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    std::string program = SKYLOOM_RENDER_PROGRAM;
    argv.push_back(program.data());
    std::vector<std::string> copies = args;
    for (std::string& arg : copies)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

}

// Rectangles may reach far past the picture (a planet's horizon) up to a bound of the work
// they cost, the same for every effect and picture size; past it they are usage errors that
// say the bound.
TEST_F(RenderCommandTest, RectanglesBeyondTheWorkBoundAreUsageErrors)
{
    const QString out = Path("r.bmp");
    for (const char* rect : {"-64,-48,128,96", "-10,-10,5,5", "-3000,-20,3064,6000"}) {
        for (const char* effect : {"StarField", "Earth"}) {
            const CRun run = RunCommand({"--size", "64x48", "--effect", effect, "--seed", "1",
                                         "--rect", rect, "-o", out});
            EXPECT_EQ(run.nExit, RENDER_OK) << rect << " " << run.err.toStdString();
        }
    }
    for (const char* rect : {"-1048576,-1048576,1048576,1048576", "0,0,16385,16384",
                             "-20000,0,10,13422"}) {
        for (const char* effect : {"StarField", "Earth", "Galaxy"}) {
            const CRun run = RunCommand({"--size", "64x48", "--effect", effect, "--seed", "1",
                                         "--rect", rect, "-o", out});
            EXPECT_EQ(run.nExit, RENDER_USAGE_ERROR) << effect << " " << rect;
            EXPECT_TRUE(run.err.contains("at most 268435456 pixels")) << run.err.toStdString();
            EXPECT_TRUE(run.err.contains(QString::fromLatin1(rect))) << run.err.toStdString();
        }
    }
    // Beyond a coordinate's range the rectangle is no rectangle at all.
    const CRun run = RunCommand({"--input", out, "--effect", "Star", "--rect",
                                 "0,0,1048577,10", "-o", Path("r2.bmp")});
    EXPECT_EQ(run.nExit, RENDER_USAGE_ERROR);
}

// A run that needs OpenGL and cannot have it says so and exits 3, writing nothing; a gas
// texture that is a folder or no picture is a usage error.
TEST_F(RenderCommandTest, EffectsThatCannotRenderExitThree)
{
    QProcessEnvironment noEgl = QProcessEnvironment::systemEnvironment();
    // libglvnd then finds no EGL driver at all.
    noEgl.insert("__EGL_VENDOR_LIBRARY_FILENAMES", Path("no-such-vendor.json"));
    noEgl.insert("__EGL_VENDOR_LIBRARY_DIRS", Path("no-such-folder"));
    const QString out = Path("gl.bmp");
    for (const char* effect : {"Galaxy", "Earth", "Moon", "Venus"}) {
        const CRun run = RunProgram({"--size", "32x24", "--effect", effect, "--seed", "1",
                                     "-o", out}, noEgl);
        EXPECT_EQ(run.nExit, RENDER_EFFECT_ERROR) << effect << ": " << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("OpenGL")) << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(out));
    }
    EXPECT_EQ(RunProgram({"--size", "32x24", "--effect", "Nebula", "--seed", "1", "-o", out},
                         noEgl).nExit, RENDER_OK) << "a run without OpenGL effects goes on";

    const QString notPicture = Path("words.jpg");
    {
        QFile file(notPicture);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a picture");
    }
    for (const QString& texture : {m_dir.path(), notPicture}) {
        const CRun run = RunCommand({"--size", "32x24", "--effect", "Galaxy", "--set",
                                     "Type=Sc", "--set", "GasTexture=" + texture, "-o", out});
        EXPECT_EQ(run.nExit, RENDER_USAGE_ERROR) << texture.toStdString();
    }
    EXPECT_TRUE(RenderCommandHelp().contains("3 an effect could not render"));
}

// Only regular files are read or replaced: a FIFO as input fails at once instead of
// blocking, and a FIFO or device as output is left as it is.
TEST_F(RenderCommandTest, FifosAndDevicesAreNeitherReadNorReplaced)
{
    const QByteArray fifo = QFile::encodeName(Path("pipe.bmp"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    CRun run = RunProgram({"--input", QFile::decodeName(fifo), "-o", Path("x.bmp")});
    EXPECT_EQ(run.nExit, RENDER_FILE_ERROR) << "-1: it blocked";
    EXPECT_TRUE(run.err.contains("cannot read")) << run.err.toStdString();
    for (const QString& target : {QFile::decodeName(fifo), QStringLiteral("/dev/null")}) {
        run = RunCommand({"--size", "4x4", "-o", target});
        EXPECT_EQ(run.nExit, RENDER_FILE_ERROR) << target.toStdString();
        EXPECT_TRUE(run.err.contains("not a regular file")) << run.err.toStdString();
    }
    struct stat st;
    ASSERT_EQ(::lstat(fifo.constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    ASSERT_EQ(::stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

// File names are bytes: one that is not UTF-8 is written and read under its own name.
TEST_F(RenderCommandTest, FileNamesThatAreNotUtf8KeepTheirBytes)
{
    const std::string folder = QFile::encodeName(m_dir.path()).toStdString();
    const std::string name = folder + "/\xff\xfe.bmp";
    const std::string copy = folder + "/\xfe\xff-copy.bmp";
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0)
        GTEST_SKIP() << "this file system takes no such name: " << std::strerror(errno);
    ::close(fd);
    ::unlink(name.c_str());
    ASSERT_EQ(RunProgramWithBytes({"--size", "5x3", "--background", "102030", "-o", name}), 0);
    ASSERT_EQ(RunProgramWithBytes({"--input", name, "-o", copy}), 0);
    CDib dib;
    ASSERT_TRUE(dib.Load(copy.c_str()));
    EXPECT_EQ(dib.GetPixel(4, 2), 0x102030u);
    std::vector<std::string> names;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(d))
            if (entry->d_name[0] != '.')
                names.push_back(entry->d_name);
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"\xfe\xff-copy.bmp", "\xff\xfe.bmp"}))
        << "no other name was written";
}

// --replay: a PNG written by a run paints the same pixels again, as PNG or in another
// format; a recipe it cannot paint (none, one that began from a file, damaged, or with
// values the options would refuse) is a file error with one line and no output; changes
// by hand are noted and left out.
TEST_F(RenderCommandTest, ReplayPaintsARecipeAgainAndRefusesWhatItCannot)
{
    CRun run = RunCommand({QStringLiteral("--size"), QStringLiteral("90x70"),
                           QStringLiteral("--background"), QStringLiteral("102030"),
                           QStringLiteral("--effect"), QStringLiteral("Nebula"),
                           QStringLiteral("--seed"), QStringLiteral("3"), QStringLiteral("--set"),
                           QStringLiteral("Dropoff=0.3333333333333333"), QStringLiteral("--effect"),
                           QStringLiteral("Star"), QStringLiteral("--rect"),
                           QStringLiteral("10,5,60,50"), QStringLiteral("--seed"),
                           QStringLiteral("9"), QStringLiteral("--format"),
                           QStringLiteral("png"), QStringLiteral("-o"), Path("first-run.png")});
    ASSERT_EQ(run.nExit, RENDER_OK) << run.err.toStdString();
    CDib first, again;
    ASSERT_TRUE(first.LoadPNG(QFile::encodeName(Path("first-run.png")).constData()));
    run = RunCommand({QStringLiteral("--replay"), Path("first-run.png"), QStringLiteral("-o"),
                      Path("again.bmp")});
    ASSERT_EQ(run.nExit, RENDER_OK) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    ASSERT_TRUE(again.Load(QFile::encodeName(Path("again.bmp")).constData()));
    EXPECT_TRUE(SamePicture(first, again));

    // A recipe that goes on from an opened PNG still begins as the new picture.
    ASSERT_TRUE(QFile::copy(Path("first-run.png"), Path("first.png")));
    run = RunCommand({QStringLiteral("--input"), Path("first.png"), QStringLiteral("--effect"),
                      QStringLiteral("Vortex"), QStringLiteral("--seed"), QStringLiteral("5"),
                      QStringLiteral("-o"), Path("second.png")});
    ASSERT_EQ(run.nExit, RENDER_OK) << run.err.toStdString();
    ASSERT_TRUE(first.LoadPNG(QFile::encodeName(Path("second.png")).constData()));
    run = RunCommand({QStringLiteral("--replay"), Path("second.png"), QStringLiteral("-o"),
                      Path("again.png")});
    ASSERT_EQ(run.nExit, RENDER_OK) << run.err.toStdString();
    ASSERT_TRUE(again.Load(QFile::encodeName(Path("again.png")).constData()));
    EXPECT_TRUE(SamePicture(first, again));

    // A change by hand is noted and left out.
    CDib small;
    small.Create(8, 8);
    const QString start = QStringLiteral(
        "{\"skyloom-recipe\":1,\"start\":\"new\",\"size\":[8,8],\"background\":\"000000\",");
    ASSERT_TRUE(small.SavePNG(QFile::encodeName(Path("edited.png")).constData(),
                              start + QStringLiteral("\"steps\":[{\"edit\":\"Paste\"}]}")));
    run = RunCommand({QStringLiteral("--replay"), Path("edited.png"), QStringLiteral("-o"),
                      Path("edited.bmp")});
    EXPECT_EQ(run.nExit, RENDER_OK);
    EXPECT_TRUE(run.err.contains(QLatin1String("Paste"))) << run.err.toStdString();

    const QString step = QStringLiteral("{\"effect\":\"Star\",\"rect\":[0,0,8,8],\"seed\":1,");
    const struct
    {
        const char* szName;
        QString recipe;
    } refused[] = {
        {"none.png", QString()},
        {"opened.png",
         QStringLiteral(
             "{\"skyloom-recipe\":1,\"start\":\"file\",\"file\":\"x.jpg\",\"steps\":[]}")},
        {"not-json.png", QStringLiteral("{\"skyloom-recipe\":1,\"start\":")},
        {"other-version.png", QStringLiteral("{\"skyloom-recipe\":2,\"steps\":[]}")},
        {"huge-size.png", QStringLiteral("{\"skyloom-recipe\":1,\"start\":\"new\",\"size\":"
                                         "[30000,30000],\"background\":\"000000\",\"steps\":[]}")},
        {"bad-seed.png", start + QStringLiteral("\"steps\":[{\"effect\":\"Star\",\"rect\":"
                                                "[0,0,8,8],\"seed\":-1,\"values\":[]}]}")},
        {"far-rect.png", start + QStringLiteral("\"steps\":[{\"effect\":\"Star\",\"rect\":"
                                                "[0,0,99999999,8],\"seed\":1,\"values\":[]}]}")},
        {"bad-value.png", start + QStringLiteral("\"steps\":[") + step +
                              QStringLiteral("\"values\":[[\"Radius\",\"1e308\"]]}]}")},
        {"unknown-effect.png",
         start + QStringLiteral("\"steps\":[{\"effect\":\"Nope\",\"rect\":[0,0,8,8],"
                                "\"seed\":1,\"values\":[]}]}")},
        {"option-flag.png", start + QStringLiteral("\"steps\":[") + step +
                                QStringLiteral("\"values\":[[\"--input\",\"x\"]]}]}")},
    };
    for (const auto& r : refused) {
        ASSERT_TRUE(small.SavePNG(QFile::encodeName(Path(r.szName)).constData(), r.recipe));
        run = RunCommand({QStringLiteral("--replay"), Path(r.szName), QStringLiteral("-o"),
                          Path("refused.bmp")});
        EXPECT_NE(run.nExit, RENDER_OK) << r.szName;
        EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << r.szName << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(Path("refused.bmp"))) << r.szName;
    }
    // --replay brings its own picture and steps.
    run = RunCommand({QStringLiteral("--replay"), Path("first-run.png"), QStringLiteral("--size"),
                      QStringLiteral("9x9"), QStringLiteral("-o"), Path("refused.bmp")});
    EXPECT_EQ(run.nExit, RENDER_USAGE_ERROR);
}

namespace {

// A BMP of a few dozen bytes that states w x h pixels: run-length rows that end at once.
QByteArray StatedOnlyBmp(int w, int h)
{
    QByteArray bmp;
    auto add = [&bmp](quint32 v, int bytes) {
        for (int b = 0; b < bytes; ++b)
            bmp.append(char((v >> (8 * b)) & 0xFF));
    };
    bmp.append("BM");
    add(14 + 40 + 4 + 2, 4);
    add(0, 4);
    add(14 + 40 + 4, 4);
    add(40, 4);
    add(quint32(w), 4);
    add(quint32(h), 4);
    add(1, 2);
    add(8, 2);
    add(1, 4); // run-length 8-bit rows
    add(2, 4);
    add(0, 4);
    add(0, 4);
    add(1, 4); // one colour
    add(0, 4);
    add(0x00FFFFFF, 4);
    bmp.append("\x00\x01", 2); // end of the picture
    return bmp;
}

}

// A recipe comes from elsewhere: what it names must not reach beyond the effects and the
// textures the program ships with, nor what the command line itself says; and a gas texture
// may not state a picture too large to hold, from a recipe or the command line.
TEST_F(RenderCommandTest, ReplayKeepsARecipeToTheEffectsAndTexturesShipped)
{
    CDib small;
    ASSERT_TRUE(small.Create(8, 8));
    // A picture of the user's that a recipe must not paint with.
    ASSERT_TRUE(small.Save(QFile::encodeName(Path("private.bmp")).constData()));
    QFile huge(Path("huge.bmp"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    huge.write(StatedOnlyBmp(4097, 16));
    huge.close();
    QFile largest(Path("largest.bmp"));
    ASSERT_TRUE(largest.open(QIODevice::WriteOnly));
    largest.write(StatedOnlyBmp(4096, 4096));
    largest.close();

    const QString start = QStringLiteral(
        "{\"skyloom-recipe\":1,\"start\":\"new\",\"size\":[16,16],\"background\":\"000000\","
        "\"steps\":[{\"rect\":[0,0,16,16],\"seed\":1,");
    auto replay = [&](const char* szName, const QString& step) {
        const QString png = Path(szName);
        EXPECT_TRUE(small.SavePNG(QFile::encodeName(png).constData(), start + step + "}]}"));
        QFile::remove(Path("replayed.bmp"));
        return RunCommand({QStringLiteral("--replay"), png, QStringLiteral("-o"),
                           Path("replayed.bmp")});
    };
    auto galaxy = [](const QString& texture) {
        return QStringLiteral("\"effect\":\"Galaxy\",\"values\":[[\"GasTexture\",\"%1\"]]")
            .arg(texture);
    };
    const struct
    {
        const char* szName;
        QString step;
        const char* szSays;
    } refused[] = {
        {"help.png", QStringLiteral("\"effect\":\"--help\",\"values\":[]"), "\"--help\""},
        {"h.png", QStringLiteral("\"effect\":\"-h\",\"values\":[]"), "\"-h\""},
        {"path.png", galaxy(Path("private.bmp")), "private.bmp"},
        {"up.png", galaxy(QStringLiteral("../../../../..") + Path("private.bmp")), "private.bmp"},
        {"huge.png", galaxy(Path("huge.bmp")), "huge.bmp"},
    };
    for (const auto& r : refused) {
        const CRun run = replay(r.szName, r.step);
        EXPECT_EQ(run.nExit, RENDER_FILE_ERROR) << r.szName;
        EXPECT_TRUE(run.out.isEmpty()) << r.szName << ": " << run.out.left(80).toStdString();
        EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << r.szName << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String("step 1"))) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(r.szSays))) << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(Path("replayed.bmp"))) << r.szName;
    }
    // The textures shipped are named bare, and paint.
    const CRun shipped = replay("shipped.png", galaxy(QStringLiteral("Loose spiral.jpg")));
    EXPECT_EQ(shipped.nExit, RENDER_OK) << shipped.err.toStdString();
    EXPECT_TRUE(QFile::exists(Path("replayed.bmp")));

    // The command line names the user's own files; but a texture stating more than
    // 4096 pixels a side is refused unread, however small the file.
    const CRun own = RunCommand({QStringLiteral("--effect"), QStringLiteral("Galaxy"),
                                 QStringLiteral("--set"), "GasTexture=" + Path("largest.bmp"),
                                 QStringLiteral("--set"), "GasTexture=" + Path("private.bmp"),
                                 QStringLiteral("--size"), QStringLiteral("16x16"),
                                 QStringLiteral("-o"), Path("own.bmp")});
    EXPECT_EQ(own.nExit, RENDER_OK) << own.err.toStdString();
    const CRun bomb = RunCommand({QStringLiteral("--effect"), QStringLiteral("Galaxy"),
                                  QStringLiteral("--set"), "GasTexture=" + Path("huge.bmp"),
                                  QStringLiteral("-o"), Path("bomb.bmp")});
    EXPECT_EQ(bomb.nExit, RENDER_USAGE_ERROR);
    EXPECT_TRUE(bomb.err.contains(QLatin1String("4097 x 16"))) << bomb.err.toStdString();
    EXPECT_FALSE(QFile::exists(Path("bomb.bmp")));
}

// Names from a recipe or the command line are shown quoted with their control characters
// escaped: a newline cannot forge a line of the program's own, and no escape sequence
// reaches the terminal. A recipe's many notes are summed up.
TEST_F(RenderCommandTest, MessagesShowNamesEscapedAndSumUpLongRunsOfNotes)
{
    const QString forged =
        QStringLiteral("x\nskyloom-render: note: forged\x1b]0;title\x07\x1b[2J\xc2\x9b\u202e.bmp");
    CRun run = RunCommand({QStringLiteral("--input"), Path("missing") + forged,
                           QStringLiteral("-o"), Path("out.bmp")});
    EXPECT_EQ(run.nExit, RENDER_FILE_ERROR);
    run.err += RunCommand({QStringLiteral("--size"), forged, QStringLiteral("-o"),
                           Path("out.bmp")}).err;
    run.err += RunCommand({QStringLiteral("--effect"), QStringLiteral("Star"),
                           QStringLiteral("--set"), "Radius=" + forged, QStringLiteral("-o"),
                           Path("out.bmp")}).err;

    CDib small;
    ASSERT_TRUE(small.Create(8, 8));
    const QString start = QStringLiteral(
        "{\"skyloom-recipe\":1,\"start\":\"new\",\"size\":[8,8],\"background\":\"000000\","
        "\"steps\":[");
    QString edits;
    for (int i = 0; i < kMaxRecipeSteps; ++i)
        edits +=
            i ? QStringLiteral(",{\"edit\":\"Paste%1\"}").arg(i)
              : QStringLiteral("{\"edit\":\"Paste\\nskyloom-render: note: forged\\u001b[2J\"}");
    ASSERT_TRUE(small.SavePNG(QFile::encodeName(Path("edits.png")).constData(),
                              start + edits + QStringLiteral("]}")));
    const CRun notes = RunCommand({QStringLiteral("--replay"), Path("edits.png"),
                                   QStringLiteral("-o"), Path("edits.bmp")});
    EXPECT_EQ(notes.nExit, RENDER_OK) << notes.err.left(300).toStdString();
    EXPECT_LE(notes.err.count(QLatin1Char('\n')), 10) << notes.err.left(300).toStdString();
    EXPECT_TRUE(notes.err.contains(QLatin1String("and 99995 more")))
        << notes.err.left(600).toStdString();
    run.err += notes.err;

    const QStringList lines = run.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), 3 + 6) << run.err.toStdString();
    for (const QString& line : lines) {
        EXPECT_FALSE(line.startsWith(QLatin1String("skyloom-render: note: forged")))
            << run.err.toStdString();
        for (const QChar c : line)
            EXPECT_TRUE(c.category() != QChar::Other_Control && c != QChar(0x202E))
                << "control character " << c.unicode() << " in " << line.toStdString();
    }
    EXPECT_TRUE(
        run.err.contains(QLatin1String("x\\nskyloom-render: note: forged\\x1B]0;title\\x07")))
        << run.err.toStdString();
}

// A recipe of a few kilobytes may ask for days of work: it is refused before anything is
// painted, with what it would paint and the option that allows it; a long name in it is
// shown cut, and a recipe past its size limit is said to be so, not missing.
TEST_F(RenderCommandTest, ReplayRefusesMoreWorkThanAskedAndSaysWhy)
{
    CDib small;
    ASSERT_TRUE(small.Create(8, 8));
    QString steps;
    for (int i = 0; i < 2000; ++i)
        steps += QStringLiteral("%1{\"effect\":\"Nebula\",\"rect\":[0,0,16384,16384],"
                                "\"seed\":%2,\"values\":[]}")
                     .arg(i ? QStringLiteral(",") : QString())
                     .arg(i);
    const QString recipe = QStringLiteral("{\"skyloom-recipe\":1,\"start\":\"new\",\"size\":"
                                          "[16384,16384],\"background\":\"000000\",\"steps\":[") +
                           steps + QStringLiteral("]}");
    const QByteArray path = QFile::encodeName(Path("days.png"));
    ASSERT_TRUE(small.SavePNG(path.constData(), recipe));
    CRun run = RunCommand({QStringLiteral("--replay"), Path("days.png"), QStringLiteral("-o"),
                           Path("days.bmp")});
    EXPECT_EQ(run.nExit, RENDER_USAGE_ERROR);
    EXPECT_TRUE(run.err.contains(QLatin1String("536870912000 pixels"))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QLatin1String("Nebula: 2000 steps"))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QLatin1String("--max-work 536870912000")));
    EXPECT_FALSE(QFile::exists(Path("days.bmp")));
    // The same bound holds for steps given by hand, and the option lifts it.
    run = RunCommand({QStringLiteral("--size"), QStringLiteral("64x64"), QStringLiteral("--effect"),
                      QStringLiteral("Nebula"), QStringLiteral("--seed"), QStringLiteral("1"),
                      QStringLiteral("--max-work"), QStringLiteral("4095"), QStringLiteral("-o"),
                      Path("small.bmp")});
    EXPECT_EQ(run.nExit, RENDER_USAGE_ERROR) << run.err.toStdString();
    run = RunCommand({QStringLiteral("--size"), QStringLiteral("64x64"), QStringLiteral("--effect"),
                      QStringLiteral("Nebula"), QStringLiteral("--seed"), QStringLiteral("1"),
                      QStringLiteral("--max-work"), QStringLiteral("4096"), QStringLiteral("-o"),
                      Path("small.bmp")});
    EXPECT_EQ(run.nExit, RENDER_OK) << run.err.toStdString();

    const QString start = QStringLiteral(
        "{\"skyloom-recipe\":1,\"start\":\"new\",\"size\":[8,8],\"background\":\"000000\",");
    ASSERT_TRUE(small.SavePNG(QFile::encodeName(Path("long.png")).constData(),
                              start + QStringLiteral("\"steps\":[{\"effect\":\"") +
                                  QString(100000, QLatin1Char('N')) +
                                  QStringLiteral("\",\"rect\":[0,0,8,8],\"seed\":1,"
                                                 "\"values\":[]}]}")));
    run = RunCommand({QStringLiteral("--replay"), Path("long.png"), QStringLiteral("-o"),
                      Path("long.bmp")});
    EXPECT_EQ(run.nExit, RENDER_FILE_ERROR);
    EXPECT_LT(run.err.size(), 600) << "a long name is shown whole";
    EXPECT_TRUE(run.err.contains(QChar(0x2026)));

    // 17 MiB of recipe: too large to read, which is not "no recipe".
    ASSERT_TRUE(small.SavePNG(QFile::encodeName(Path("large.png")).constData(),
                              start + QString(17 << 20, QLatin1Char(' ')) +
                                  QStringLiteral("\"steps\":[]}")));
    run = RunCommand({QStringLiteral("--replay"), Path("large.png"), QStringLiteral("-o"),
                      Path("large.bmp")});
    EXPECT_EQ(run.nExit, RENDER_FILE_ERROR);
    EXPECT_TRUE(run.err.contains(QLatin1String("16 MiB"))) << run.err.toStdString();
}

// A failed write says why, as the system gives it.
TEST_F(RenderCommandTest, AFailedWriteSaysWhy)
{
    CSafeFileWriter::FailAfterBytesForTesting(100);
    const CRun run = RunCommand({QStringLiteral("--size"), QStringLiteral("64x64"),
                                 QStringLiteral("-o"), Path("full.bmp")});
    CSafeFileWriter::FailAfterBytesForTesting(-1);
    EXPECT_EQ(run.nExit, RENDER_FILE_ERROR);
    EXPECT_TRUE(run.err.contains(QLatin1String("no space left"))) << run.err.toStdString();
}

// --scale paints a recipe at another size: the picture and every rectangle scaled, seeds
// and values as they were, so that scaling back gives the first picture byte for byte.
TEST_F(RenderCommandTest, ReplayAtAnotherScaleScalesThePictureAndEveryRectangle)
{
    CRun run = RunCommand({QStringLiteral("--size"), QStringLiteral("90x70"),
                           QStringLiteral("--effect"), QStringLiteral("Nebula"),
                           QStringLiteral("--seed"), QStringLiteral("3"),
                           QStringLiteral("--effect"), QStringLiteral("Star"),
                           QStringLiteral("--rect"), QStringLiteral("10,5,61,50"),
                           QStringLiteral("--seed"), QStringLiteral("9"),
                           QStringLiteral("-o"), Path("small.png")});
    ASSERT_EQ(run.nExit, RENDER_OK) << run.err.toStdString();
    run = RunCommand({QStringLiteral("--replay"), Path("small.png"), QStringLiteral("--scale"),
                      QStringLiteral("2"), QStringLiteral("-o"), Path("big.png")});
    ASSERT_EQ(run.nExit, RENDER_OK) << run.err.toStdString();
    CDib small, big, back;
    QString smallText, bigText;
    ASSERT_TRUE(small.LoadPNG(QFile::encodeName(Path("small.png")).constData(), &smallText));
    ASSERT_TRUE(big.LoadPNG(QFile::encodeName(Path("big.png")).constData(), &bigText));
    EXPECT_EQ(big.GetSize(), CSize(180, 140));
    CRecipe smallRecipe, bigRecipe;
    QString why;
    ASSERT_TRUE(CRecipe::FromText(smallText, smallRecipe, why));
    ASSERT_TRUE(CRecipe::FromText(bigText, bigRecipe, why));
    ASSERT_EQ(bigRecipe.m_steps.size(), 2);
    EXPECT_EQ(bigRecipe.m_steps[0].rect, CRect(0, 0, 180, 140));
    EXPECT_EQ(bigRecipe.m_steps[1].rect, CRect(20, 10, 122, 100));
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(bigRecipe.m_steps[i].nSeed, smallRecipe.m_steps[i].nSeed);
        EXPECT_EQ(bigRecipe.m_steps[i].values, smallRecipe.m_steps[i].values);
    }

    run = RunCommand({QStringLiteral("--replay"), Path("big.png"), QStringLiteral("--scale"),
                      QStringLiteral("0.5"), QStringLiteral("-o"), Path("back.png")});
    ASSERT_EQ(run.nExit, RENDER_OK) << run.err.toStdString();
    ASSERT_TRUE(back.LoadPNG(QFile::encodeName(Path("back.png")).constData()));
    EXPECT_TRUE(SamePicture(small, back));

    for (const char* szScale : {"0", "17", "x"}) {
        run = RunCommand({QStringLiteral("--replay"), Path("small.png"), QStringLiteral("--scale"),
                          QLatin1String(szScale), QStringLiteral("-o"), Path("bad.png")});
        EXPECT_EQ(run.nExit, RENDER_USAGE_ERROR) << szScale;
    }
    EXPECT_FALSE(QFile::exists(Path("bad.png")));
}

// --layers: each step alone as a layer. Composited in order over the first picture by the
// blends layers.json names (normal: by the layer's opacity; add: its light added), they
// give the picture painted within one step of each channel per layer.
TEST_F(RenderCommandTest, LayersCompositedByTheirBlendsGiveThePicture)
{
    const QString dir = Path("layers");
    CRun run = RunCommand(
        {QStringLiteral("--size"), QStringLiteral("320x240"), QStringLiteral("--background"),
         QStringLiteral("101830"), QStringLiteral("--effect"), QStringLiteral("StarField"),
         QStringLiteral("--seed"), QStringLiteral("1"), QStringLiteral("--effect"),
         QStringLiteral("Nebula"), QStringLiteral("--rect"), QStringLiteral("20,10,220,190"),
         QStringLiteral("--seed"), QStringLiteral("2"), QStringLiteral("--effect"),
         QStringLiteral("Gas"), QStringLiteral("--rect"), QStringLiteral("100,60,330,250"),
         QStringLiteral("--seed"), QStringLiteral("3"), QStringLiteral("--effect"),
         QStringLiteral("Star"), QStringLiteral("--rect"), QStringLiteral("150,40,250,140"),
         QStringLiteral("--seed"), QStringLiteral("4"), QStringLiteral("--effect"),
         QStringLiteral("Cluster"), QStringLiteral("--rect"), QStringLiteral("-20,120,100,250"),
         QStringLiteral("--seed"), QStringLiteral("5"), QStringLiteral("--effect"),
         QStringLiteral("Lens Flare"), QStringLiteral("--rect"), QStringLiteral("230,20,300,90"),
         QStringLiteral("--seed"), QStringLiteral("6"), QStringLiteral("--layers"), dir,
         QStringLiteral("-o"), Path("scene.bmp")});
    ASSERT_EQ(run.nExit, RENDER_OK) << run.err.toStdString();
    CDib scene;
    ASSERT_TRUE(scene.Load(QFile::encodeName(Path("scene.bmp")).constData()));
    QFile json(dir + QStringLiteral("/layers.json"));
    ASSERT_TRUE(json.open(QIODevice::ReadOnly));
    const QJsonObject root = QJsonDocument::fromJson(json.readAll()).object();
    const QJsonArray layers = root.value(QLatin1String("layers")).toArray();
    ASSERT_EQ(layers.size(), 6);
    EXPECT_EQ(layers[0].toObject().value(QLatin1String("blend")).toString(), QStringLiteral("add"));
    EXPECT_EQ(layers[1].toObject().value(QLatin1String("blend")).toString(),
              QStringLiteral("normal"));

    // The first picture, then each layer over it, in top-down RGB.
    QImage picture(320, 240, QImage::Format_RGB888);
    picture.fill(QColor(0x10, 0x18, 0x30));
    for (const QJsonValue& value : layers) {
        const QJsonObject layer = value.toObject();
        const QImage image(dir + QLatin1Char('/') + layer.value(QLatin1String("file")).toString());
        ASSERT_FALSE(image.isNull());
        const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
        const QJsonArray rect = layer.value(QLatin1String("rect")).toArray();
        const bool bAdd = layer.value(QLatin1String("blend")).toString() == QLatin1String("add");
        ASSERT_EQ(rgba.width(), rect[2].toInt() - rect[0].toInt());
        for (int y = 0; y < rgba.height(); ++y) {
            const uchar* pLayer = rgba.constScanLine(y);
            uchar* pOut = picture.scanLine(rect[1].toInt() + y) + 3 * rect[0].toInt();
            for (int x = 0; x < rgba.width(); ++x, pLayer += 4, pOut += 3) {
                for (int c = 0; c < 3; ++c) {
                    pOut[c] = bAdd ? uchar(std::min(255, pOut[c] + pLayer[c]))
                                   : uchar((pLayer[3] * pLayer[c] + (255 - pLayer[3]) * pOut[c] +
                                            127) / 255);
                }
            }
        }
    }
    int largest[3] = {};
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) {
            const BYTE* pPainted = scene.PixelAddress(x, 239 - y);
            const uchar* pComposite = picture.constScanLine(y) + 3 * x;
            for (int c = 0; c < 3; ++c)
                largest[c] = std::max(largest[c], std::abs(pComposite[c] - pPainted[2 - c]));
        }
    }
    std::printf("layers composited: largest difference red %d, green %d, blue %d\n", largest[0],
                largest[1], largest[2]);
    for (int c = 0; c < 3; ++c)
        EXPECT_LE(largest[c], int(layers.size())) << "channel " << c;
}

// A sky painted from the command line: its recipe says it is a sky, a replay paints it to the
// same bytes, and --skybox writes the six faces of the sky read with --input or --replay the
// same; what does not make sense with a sky is refused.
TEST_F(RenderCommandTest, SkiesReplayAndExportTheirFacesAlike)
{
    const QStringList scene = {
        QStringLiteral("--sky"),    QStringLiteral("128"),      QStringLiteral("--effect"),
        QStringLiteral("StarField"), QStringLiteral("--effect"), QStringLiteral("Nebula"),
        QStringLiteral("--rect"),   QStringLiteral("-40,20,60,90"),
        QStringLiteral("--seed"),   QStringLiteral("5")};
    CRun run = RunCommand(QStringList(scene) << QStringLiteral("-o") << Path("sky.png")
                                             << QStringLiteral("--skybox") << Path("a"));
    ASSERT_EQ(run.nExit, RENDER_OK) << run.err.toStdString();
    CDib sky;
    QString text, why;
    ASSERT_TRUE(sky.LoadPNG(QFile::encodeName(Path("sky.png")).constData(), &text));
    EXPECT_EQ(sky.GetSize(), CSize(256, 128));
    CRecipe recipe;
    ASSERT_TRUE(CRecipe::FromText(text, recipe, why));
    EXPECT_TRUE(recipe.m_bSkySphere);

    run = RunCommand({QStringLiteral("--replay"), Path("sky.png"), QStringLiteral("-o"),
                      Path("again.png"), QStringLiteral("--skybox"), Path("b")});
    ASSERT_EQ(run.nExit, RENDER_OK) << run.err.toStdString();
    EXPECT_EQ(Contents(Path("again.png")), Contents(Path("sky.png")));
    run = RunCommand({QStringLiteral("--input"), Path("sky.png"), QStringLiteral("--skybox"),
                      Path("c"), QStringLiteral("--face-size"), QStringLiteral("64")});
    ASSERT_EQ(run.nExit, RENDER_OK) << run.err.toStdString();
    for (const char* szFace : {"px", "nx", "py", "ny", "pz", "nz"}) {
        const QString name = QLatin1String(szFace) + QStringLiteral(".png");
        const QByteArray face = Contents(QDir(Path("a")).filePath(name));
        EXPECT_FALSE(face.isEmpty()) << szFace;
        EXPECT_EQ(Contents(QDir(Path("b")).filePath(name)), face) << szFace;
        EXPECT_EQ(Contents(QDir(Path("c")).filePath(name)), face) << szFace;
    }

    for (const QStringList& bad :
         {QStringList{"--sky", "64", "--size", "128x64", "-o", Path("x.png")},
          QStringList{"--sky", "64", "--wrap", "-o", Path("x.png")},
          QStringList{"--sky", "0", "-o", Path("x.png")},
          QStringList{"--sky", "64", "--skybox", Path("d"), "--face-size", "0"},
          QStringList{"--replay", Path("sky.png"), "--sky", "64", "-o", Path("x.png")}}) {
        run = RunCommand(bad);
        EXPECT_EQ(run.nExit, RENDER_USAGE_ERROR) << bad.join(' ').toStdString();
    }
    // A picture that is no sky has no faces, and says why.
    run = RunCommand({QStringLiteral("--size"), QStringLiteral("90x70"),
                      QStringLiteral("--skybox"), Path("e")});
    EXPECT_EQ(run.nExit, RENDER_FILE_ERROR);
    EXPECT_TRUE(run.err.contains(QStringLiteral("twice as wide"))) << run.err.toStdString();
}
