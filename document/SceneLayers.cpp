#include "SceneLayers.h"

#include "SceneRepaint.h"
#include "SkyloomDoc.h"

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <memory>

namespace {

// Effects that add their light to the picture rather than blend over it.
bool AddsLight(const CRecipeStep& step)
{
    return step.strEffect == QLatin1String("StarField") ||
           step.strEffect == QLatin1String("Cluster") ||
           step.strEffect == QLatin1String("Lens Flare");
}

std::unique_ptr<CDib> Filled(CSize size, DWORD rgb)
{
    auto pDib = std::make_unique<CDib>();
    if (!pDib->Create(size.cx, size.cy))
        return nullptr;
    pDib->Fill(rgb);
    return pDib;
}

// The layer of rows (bottom-up) from the step painted over black and over white. Where
// they differ by d the step let 255 - d of the picture through: its opacity; its colour is
// what it painted over black, undone of that opacity.
QImage BlendLayer(const CDib& black, const CDib& white, const CRect& rows, bool bAdd)
{
    QImage layer(rows.Width(), rows.Height(), QImage::Format_RGBA8888);
    for (int y = 0; y < rows.Height(); ++y) {
        // CDib rows run bottom-up; the image's top row is the rectangle's top.
        const BYTE* pB = black.PixelAddress(rows.left, rows.bottom - 1 - y);
        const BYTE* pW = white.PixelAddress(rows.left, rows.bottom - 1 - y);
        uchar* pOut = layer.scanLine(y);
        for (int x = 0; x < rows.Width(); ++x, pB += 3, pW += 3, pOut += 4) {
            if (bAdd) {
                pOut[0] = pB[2];
                pOut[1] = pB[1];
                pOut[2] = pB[0];
                pOut[3] = 255;
                continue;
            }
            int nThrough = 0;
            for (int c = 0; c < 3; ++c)
                nThrough += pW[c] - pB[c];
            const int nAlpha = std::clamp(255 - (nThrough + 1) / 3, 0, 255);
            for (int c = 0; c < 3; ++c) {
                pOut[2 - c] =
                    nAlpha == 0 ? 0 : uchar(std::min(255, (pB[c] * 255 + nAlpha / 2) / nAlpha));
            }
            pOut[3] = uchar(nAlpha);
        }
    }
    return layer;
}

}

bool WriteSceneLayers(const CSkyloomDoc& doc, const QString& folder, QString& error)
{
    const CSize size = doc.GetImageRect().Size();
    if (!QDir().mkpath(folder)) {
        error = QStringLiteral("cannot make the folder");
        return false;
    }
    const QDir dir(folder);
    const CRecipe& recipe = doc.GetRecipe();
    QJsonObject root;
    root.insert(QLatin1String("size"), QJsonArray{size.cx, size.cy});
    if (recipe.m_start == CRecipe::NewPicture)
        root.insert(QLatin1String("background"),
                    QString::asprintf("%06X", unsigned(recipe.m_nBackground & 0xFFFFFF)));
    else if (recipe.m_start == CRecipe::OpenedFile)
        root.insert(QLatin1String("opened"), recipe.m_strOpened);
    QJsonArray layers;
    for (int i = 0; i < doc.GetStepCount(); ++i) {
        const CSceneStep& step = doc.GetStep(i);
        if (step.recipe.bHidden)
            continue;
        const bool bAdd = AddsLight(step.recipe);
        const auto pBlack = Filled(size, 0x000000);
        const auto pWhite = bAdd ? nullptr : Filled(size, 0xFFFFFF);
        if (!pBlack || (!bAdd && !pWhite)) {
            error = QStringLiteral("no memory for the layers");
            return false;
        }
        const auto pOverBlack = step.Unpainted();
        EStepPaint result = PaintSceneStep(*pBlack, *pOverBlack, recipe.Kind());
        if (result == STEP_PAINTED && pWhite)
            result = PaintSceneStep(*pWhite, *step.Unpainted(), recipe.Kind());
        if (result == STEP_CANCELLED) {
            error.clear();
            return false;
        }
        if (result != STEP_PAINTED) {
            error = QStringLiteral("step %1 (%2) cannot be painted alone")
                        .arg(i + 1)
                        .arg(step.strName);
            return false;
        }
        const CRect rows = pOverBlack->rectRows;
        if (rows.IsRectEmpty())
            continue;
        CRect rect = rows;
        pBlack->FlipRect(rect);
        const QString name = QStringLiteral("%1-%2.png")
                                 .arg(layers.size() + 1, 2, 10, QLatin1Char('0'))
                                 .arg(QString(step.strName).remove(QLatin1Char(' ')));
        const QImage image = BlendLayer(*pBlack, bAdd ? *pBlack : *pWhite, rows, bAdd);
        if (!image.save(dir.filePath(name), "PNG")) {
            error = QStringLiteral("cannot write %1").arg(name);
            return false;
        }
        QJsonObject layer;
        layer.insert(QLatin1String("file"), name);
        layer.insert(QLatin1String("name"), step.strName);
        layer.insert(QLatin1String("rect"),
                     QJsonArray{rect.left, rect.top, rect.right, rect.bottom});
        layer.insert(QLatin1String("blend"), bAdd ? QLatin1String("add") : QLatin1String("normal"));
        if (step.recipe.strEffect == QLatin1String("Vortex"))
            layer.insert(QLatin1String("note"),
                         QLatin1String("moves the pixels under it, which a layer cannot"));
        layers.append(layer);
    }
    root.insert(QLatin1String("layers"), layers);
    QSaveFile file(dir.filePath(QStringLiteral("layers.json")));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QJsonDocument(root).toJson(QJsonDocument::Indented)) < 0 || !file.commit()) {
        error = QStringLiteral("cannot write layers.json");
        return false;
    }
    return true;
}
