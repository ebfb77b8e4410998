#include "RenderCommand.h"

#include "../document/Settings.h"
#include "../document/Dib.h"
#include "../document/SkyloomDoc.h"
#include "../effects/Effect.h"
#include "../effects/EffectTools.h"
#include "../effects/Random.h"
#include "../effects/RenderThreads.h"
#include "../gl/GLContext.h"
#include "../gl/GLDrawingArea.h"
#include "../gl/GLLight.h"
#include "../imagefile/ImageFile.h"
#include "../imagefile/PictureSize.h"
#include "../imagefile/Skybox.h"
#include "../document/RenderJob.h"
#include "../document/QuotedName.h"
#include "../document/SceneLayers.h"
#include "../document/SceneRepaint.h"
#include "RecipeReplay.h"
#include "RenderWork.h"
#include "TerminalProgress.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <optional>

namespace {

// The scene the canvas view sets up when it starts, for the lit effects (planets): the
// built-in light settings and the light "Sun", for the length of a run.
class CDefaultScene
{
public:
    CDefaultScene()
    {
        ResetSettings();
        if (g_lightList.empty())
            m_bOwnsLights = CreateDefaultLight() != FALSE;
    }
    ~CDefaultScene()
    {
        if (m_bOwnsLights)
            DeleteLights();
    }
    CDefaultScene(const CDefaultScene&) = delete;
    CDefaultScene& operator=(const CDefaultScene&) = delete;

private:
    bool m_bOwnsLights = false;
};

// Installs a display for the length of a run and takes it out again.
class CInstalledProgress
{
public:
    explicit CInstalledProgress(CProgressDisplay* pDisplay) { SetProgressDisplay(pDisplay); }
    ~CInstalledProgress() { SetProgressDisplay(nullptr); }
    CInstalledProgress(const CInstalledProgress&) = delete;
    CInstalledProgress& operator=(const CInstalledProgress&) = delete;
};

// One step: the same path as a drag on the canvas. The values are set in memory through
// the effect's table, as a store holding only them would give them.
void RenderStep(CSkyloomDoc& doc, const CRenderStep& step, QTextStream& out)
{
    const auto effect = CreateToolAsTheViewDoes(step.nTool);
    QString why;
    // Checked when the arguments were read: this cannot fail.
    effect->SetValues(step.values, why);
    for (const auto& option : step.options)
        effect->SetOption(option.first, option.second, why);

    DWORD seed = step.nSeed;
    if (!step.bHasSeed) {
        seed = static_cast<DWORD>(QDateTime::currentMSecsSinceEpoch());
        out << step.strEffect << ": --seed " << seed << Qt::endl;
    }
    // The canvas's own path: the same gate, undo copy, seed and render as a drag.
    g_nEffectSeed = seed;
    const CDib& dib = doc.GetImage();
    RenderDrag(*effect, doc, step.bHasRect ? step.rect : CRect(0, 0, dib.m_nWidth, dib.m_nHeight),
               nullptr);
}

BOOL Write(const CSkyloomDoc& doc, const CRenderOptions& options)
{
    const CDib& dib = doc.GetImage();
    const QByteArray& name = options.output;
    switch (options.format) {
    case CRenderOptions::Png:
        return dib.SavePNG(name.constData(), doc.GetRecipe().ToText());
    case CRenderOptions::Jpeg:
        return dib.SaveJPEG(name.constData());
    case CRenderOptions::Bmp24:
        return dib.SaveBMP(name.constData());
    case CRenderOptions::Bmp256:
        return dib.Save256ColorBMP(name.constData());
    case CRenderOptions::ByExtension: // resolved by ResolveOutputFormat
        break;
    }
    return dib.Save(name.constData());
}

// What the effects report of a failed render (no memory), kept for the length of a run so
// that it can end the run with its own exit status.
// The host of the effects for the length of a run: the one before comes back after it.
class CRecordedWarnings : public CEffectHost
{
public:
    CRecordedWarnings() : m_previous(GetEffectHost()) { SetEffectHost(this); }
    ~CRecordedWarnings() override { SetEffectHost(&m_previous); }
    CRecordedWarnings(const CRecordedWarnings&) = delete;
    CRecordedWarnings& operator=(const CRecordedWarnings&) = delete;
    const QStringList& Texts() const { return m_texts; }

    void ShowEffectWarning(const QString& text) override { m_texts.append(text); }

private:
    CEffectHost& m_previous;
    QStringList m_texts;
};

// Where a step paints: its rectangle, or the whole picture.
CRect StepRect(const CRenderStep& step, const CDib& dib)
{
    return step.bHasRect ? step.rect : CRect(0, 0, dib.m_nWidth, dib.m_nHeight);
}

// Whether an OpenGL effect can have its off-screen picture for rect (an empty rectangle,
// or one that misses the picture, needs none).
bool CanMakeOffscreenFor(const CRect& rect, const CDib& dib)
{
    CRect inside = rect;
    if (rect.Width() <= 0 || rect.Height() <= 0 ||
        !inside.IntersectRect(rect, CRect(0, 0, dib.m_nWidth, dib.m_nHeight)))
        return true;
    // The effect draws on this part (its rows' part, which is as large).
    const CRect drawn = CGLDrawingArea::DrawnPart(dib, rect);
    CDib probe;
    return probe.Create(drawn.Width(), drawn.Height()) && probe.CreateGLContext();
}


// A recipe's notes, one line each; a long run of them (a recipe may hold many thousands of
// steps changed by hand) is cut short after the first few.
void PrintNotes(const QStringList& notes, QTextStream& err)
{
    constexpr int kShownNotes = 5;
    for (int i = 0; i < notes.size() && i < kShownNotes; ++i)
        err << "skyloom-render: note: " << notes[i] << Qt::endl;
    if (notes.size() > kShownNotes)
        err << "skyloom-render: note: and " << notes.size() - kShownNotes << " more notes"
            << Qt::endl;
}

// --scale: the new picture's size and every rectangle scaled. False, with the reason on err, for
// a picture that would be empty or too large.
bool ScaleScene(CRenderOptions& options, QTextStream& err)
{
    const double d = options.dScale;
    const CRect size = ScaledRect(CRect(0, 0, options.nWidth, options.nHeight), d);
    const int nWidth = size.right, nHeight = size.bottom;
    if (nWidth < 1 || nHeight < 1 || nWidth > 65535 || nHeight > 65535) {
        err << "skyloom-render: --scale " << d << ": a picture of " << nWidth << "x" << nHeight
            << " cannot be made (1 to 65535 pixels a side)" << Qt::endl;
        return false;
    }
    options.nWidth = options.bSkySphere ? 2 * nHeight : nWidth;
    options.nHeight = nHeight;
    for (CRenderStep& step : options.steps) {
        if (step.bHasRect)
            step.rect = ScaledRect(step.rect, d);
    }
    return true;
}

// A recipe's text from name: a PNG's chunk, or a file of the text itself (Export Recipe's
// .json), known by its first character. False when neither can be read.
bool ReadRecipeFile(const QByteArray& name, QString& text, QString& error)
{
    // More than any recipe of kMaxRecipeSteps steps takes.
    constexpr qint64 kMaxRecipeBytes = qint64(256) << 20;
    QFile file(QFile::decodeName(name));
    if (QFileInfo(file).isFile() && file.size() <= kMaxRecipeBytes &&
        file.open(QIODevice::ReadOnly) && file.peek(1) == "{") {
        text = QString::fromUtf8(file.readAll());
        return true;
    }
    CDib picture;
    return picture.LoadPNG(name.constData(), &text, &error);
}

// --replay: the options become those the recipe of the named PNG gives, with the output
// of the command line. Warnings go to err; the exit status of a failure, else RENDER_OK.
int ReadReplay(const QList<QByteArray>& args, CRenderOptions& options, QTextStream& err)
{
    const QString strReplay = options.strReplay;
    QString text, error;
    if (!ReadRecipeFile(options.replay, text, error)) {
        err << "skyloom-render: cannot read " << QuotedName(options.strReplay) << ": "
            << ImageReadFailure() << " (a recipe is a PNG saved by Skyloom or its .json)"
            << Qt::endl;
        return RENDER_FILE_ERROR;
    }
    CRecipe recipe;
    QStringList recipeArgs, warnings;
    // A recipe that is there but cannot be read has said why already.
    if (error.isEmpty() && text.isEmpty())
        error = QStringLiteral("it carries no recipe");
    else if (error.isEmpty() && CRecipe::FromText(text, recipe, error))
        RecipeToRenderArguments(recipe, recipeArgs, warnings, error);
    if (!error.isEmpty()) {
        err << "skyloom-render: cannot replay " << QuotedName(options.strReplay) << ": "
            << EscapeControls(error) << Qt::endl;
        return RENDER_FILE_ERROR;
    }
    PrintNotes(warnings, err);
    if (!ParseRenderArguments(ReplayArguments(recipeArgs, args), options, error)) {
        err << "skyloom-render: cannot replay " << QuotedName(strReplay) << ": "
            << EscapeControls(error) << Qt::endl;
        return RENDER_FILE_ERROR;
    }
    return RENDER_OK;
}

// The phases of a run below each give the exit status that ends it there, or nothing when
// the run goes on.

// The command line read: its options, the recipe of a --replay and --scale. The help is
// written here and ends the run.
std::optional<int> ReadCommand(const QList<QByteArray>& args, CRenderOptions& options,
                               QTextStream& out, QTextStream& err)
{
    QString error;
    if (!ParseRenderArguments(args, options, error)) {
        err << "skyloom-render: " << EscapeControls(error) << " (see --help)" << Qt::endl;
        return RENDER_USAGE_ERROR;
    }
    if (options.bHelp) {
        out << RenderCommandHelp();
        out.flush();
        return RENDER_OK;
    }
    if (!options.replay.isEmpty()) {
        const int nExit = ReadReplay(args, options, err);
        if (nExit != RENDER_OK)
            return nExit;
    }
    if (options.dScale != 1.0 && !ScaleScene(options, err))
        return RENDER_USAGE_ERROR;
    return std::nullopt;
}

// What is refused before any picture is made: an output that would not be written, and
// more work than allowed (the picture's size is what its file states).
std::optional<int> CheckBeforeWork(const CRenderOptions& options, QTextStream& err)
{
    // Found out before any work: a save would refuse to replace it.
    if (!options.output.isEmpty() && !IsRegularFileOrFree(options.output.constData())) {
        err << "skyloom-render: cannot write " << QuotedName(options.strOutput)
            << ": it is not a regular file, and is never replaced by one" << Qt::endl;
        return RENDER_FILE_ERROR;
    }
    if (!options.output.isEmpty() && IsReadOnlyFile(options.output.constData())) {
        err << "skyloom-render: cannot write " << QuotedName(options.strOutput)
            << ": the file is read-only, and is left as it is" << Qt::endl;
        return RENDER_FILE_ERROR;
    }

    CSize size(options.nWidth, options.nHeight);
    if (!options.input.isEmpty() && !ReadStatedPictureSize(options.input.constData(), size))
        size = CSize(0, 0); // the read below says why
    const CRenderWork work = EstimateRenderWork(options.steps, size.cx, size.cy);
    if (work.dPixels > options.dMaxWork) {
        err << "skyloom-render: " << TooMuchWork(work, options.dMaxWork) << Qt::endl;
        return RENDER_USAGE_ERROR;
    }
    return std::nullopt;
}

// The picture the steps start from, read or made, and its recipe.
std::optional<int> PreparePicture(const CRenderOptions& options, CDib& dib, CRecipe& recipe,
                                  QTextStream& err)
{
    recipe = CRecipe::ForNewPicture(CSize(options.nWidth, options.nHeight), options.nBackground);
    if (!options.input.isEmpty()) {
        recipe = CRecipe::ForOpenedFile(QFileInfo(options.strInput).fileName());
        // A PNG's own recipe goes on with the steps painted here.
        QString recipeText, why;
        if (!dib.Load(options.input.constData(), &recipeText)) {
            err << "skyloom-render: cannot read " << QuotedName(options.strInput) << ": "
                << ImageReadFailure() << Qt::endl;
            return RENDER_FILE_ERROR;
        }
        if (!recipeText.isEmpty())
            CRecipe::FromText(recipeText, recipe, why);
    } else {
        if (!dib.Create(options.nWidth, options.nHeight)) {
            err << "skyloom-render: --size " << options.nWidth << "x" << options.nHeight
                << ": too large a picture" << Qt::endl;
            return RENDER_USAGE_ERROR;
        }
        dib.Fill(options.nBackground);
    }
    if (options.bWrapAround)
        recipe.m_bWrapAround = true;
    if (options.bSkySphere)
        recipe = CRecipe::ForNewSky(options.nHeight, options.nBackground);
    return std::nullopt;
}

// Every step's rectangle is one the render rule takes, and the OpenGL effects can have
// their contexts: the galaxy and the planets draw with OpenGL, and without it they would
// paint nothing, so a run that needs it and cannot have it stops before painting anything.
std::optional<int> CheckSteps(const CRenderOptions& options, const CDib& dib, QTextStream& err)
{
    for (const CRenderStep& step : options.steps) {
        const QString problem = RenderRectProblem(StepRect(step, dib), dib.GetSize());
        if (!problem.isEmpty()) {
            err << "skyloom-render: " << step.strEffect << ": " << problem << " (see --help)"
                << Qt::endl;
            return RENDER_USAGE_ERROR;
        }
    }

    if (!options.steps.isEmpty())
        LoadGLEntryPoints(TRUE);
    for (const CRenderStep& step : options.steps) {
        if (!CreateTool(step.nTool)->UsesOpenGL())
            continue;
        const CRect rect = StepRect(step, dib);
        if (!CanMakeOffscreenFor(rect, dib)) {
            err << "skyloom-render: " << step.strEffect << ": cannot make an OpenGL context of "
                << rect.Width() << "x" << rect.Height()
                << " (is Mesa's EGL installed? is there memory enough?)" << Qt::endl;
            return RENDER_EFFECT_ERROR;
        }
    }
    return std::nullopt;
}

// Each step painted in turn; the first one an effect could not render ends the run.
std::optional<int> PaintSteps(CSkyloomDoc& doc, const CRenderOptions& options,
                              CTerminalProgress& progress, const CRecordedWarnings& warnings,
                              QTextStream& out, QTextStream& err)
{
    for (int i = 0; i < options.steps.size(); ++i) {
        // A long run (a replay) shows how far through its steps it is.
        progress.SetLabel(options.steps.size() == 1
                              ? options.steps[i].strEffect
                              : QStringLiteral("step %1 of %2: %3")
                                    .arg(i + 1)
                                    .arg(options.steps.size())
                                    .arg(options.steps[i].strEffect));
        RenderStep(doc, options.steps[i], out);
        if (!warnings.Texts().isEmpty()) {
            err << "skyloom-render: " << options.steps[i].strEffect << ": "
                << EscapeControls(warnings.Texts().join(QStringLiteral("; "))) << Qt::endl;
            return RENDER_EFFECT_ERROR;
        }
    }
    return std::nullopt;
}

// The output file, the layers when --layers asks for them and the faces for --skybox.
int WriteOutput(const CSkyloomDoc& doc, const CRenderOptions& options, QTextStream& err)
{
    if (!options.output.isEmpty() && !Write(doc, options)) {
        err << "skyloom-render: cannot write " << QuotedName(options.strOutput) << ": "
            << ImageWriteFailure() << "; any file of that name was left as it was" << Qt::endl;
        return RENDER_FILE_ERROR;
    }
    QString error;
    if (!options.strLayers.isEmpty() && !WriteSceneLayers(doc, options.strLayers, error)) {
        err << "skyloom-render: cannot write the layers into " << QuotedName(options.strLayers)
            << ": " << EscapeControls(error) << Qt::endl;
        return RENDER_FILE_ERROR;
    }
    if (!options.strSkybox.isEmpty() &&
        !ExportSkybox(doc.GetImage(), options.strSkybox,
                      options.nFaceSize ? options.nFaceSize
                                        : DefaultSkyboxFaceSize(doc.GetImage()),
                      options.faceNaming, options.strFaceFormat, error)) {
        err << "skyloom-render: cannot write the skybox into " << QuotedName(options.strSkybox)
            << ": " << EscapeControls(error) << Qt::endl;
        return RENDER_FILE_ERROR;
    }
    return RENDER_OK;
}

// The steps painted on the picture in the scene, threads and progress of the run, and the
// result written while they still hold.
int PaintAndWrite(const CRenderOptions& options, CDib& dib, const CRecipe& recipe,
                  bool bTerminalProgress, QTextStream& out, QTextStream& err)
{
    const CDefaultScene scene;
    if (options.bHasLight) {
        g_nLightOrient = options.nLightOrient;
        g_nLightInten = options.nLightInten;
        g_nLightElevation = options.nLightElevation;
    }
    const CRenderThreadsScope threads(options.nThreads);
    CTerminalProgress progress;
    CInstalledProgress installed(bTerminalProgress ? &progress : nullptr);
    const CRecordedWarnings warnings;
    CSkyloomDoc doc;
    // Nothing is undone here: a step's copy is freed as soon as it has served its render.
    doc.SetKeepHistory(FALSE);
    doc.SetPicture(dib);
    doc.SetRecipe(recipe);
    if (const std::optional<int> nExit = PaintSteps(doc, options, progress, warnings, out, err))
        return *nExit;
    return WriteOutput(doc, options, err);
}

}

int RunRenderCommand(const QList<QByteArray>& args, QTextStream& out, QTextStream& err,
                     bool bTerminalProgress)
{
    CRenderOptions options;
    if (const std::optional<int> nExit = ReadCommand(args, options, out, err))
        return *nExit;
    if (const std::optional<int> nExit = CheckBeforeWork(options, err))
        return *nExit;
    CDib dib;
    CRecipe recipe;
    if (const std::optional<int> nExit = PreparePicture(options, dib, recipe, err))
        return *nExit;
    if (const std::optional<int> nExit = CheckSteps(options, dib, err))
        return *nExit;
    return PaintAndWrite(options, dib, recipe, bTerminalProgress, out, err);
}

int RunRenderCommand(const QStringList& args, QTextStream& out, QTextStream& err,
                     bool bTerminalProgress)
{
    QList<QByteArray> bytes;
    for (const QString& arg : args)
        bytes.append(QFile::encodeName(arg));
    return RunRenderCommand(bytes, out, err, bTerminalProgress);
}

