#include "Recipe.h"

#include "Dib.h"
#include "Settings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

const char* const kFormatKey = "skyloom-recipe";
constexpr int kFormatVersion = 1;

QString RgbText(DWORD rgb)
{
    return QString::asprintf("%06X", static_cast<unsigned>(rgb & 0xFFFFFF));
}

// A JSON number that is a whole number within [nMin, nMax].
bool WholeNumber(const QJsonValue& value, double dMin, double dMax, double& d)
{
    if (!value.isDouble())
        return false;
    d = value.toDouble();
    return std::isfinite(d) && d == std::trunc(d) && d >= dMin && d <= dMax;
}

bool ReadRect(const QJsonValue& value, CRect& r)
{
    const QJsonArray rect = value.toArray();
    double v[4];
    if (rect.size() != 4)
        return false;
    for (int i = 0; i < 4; ++i) {
        if (!WholeNumber(rect[i], -(1 << 30), 1 << 30, v[i]))
            return false;
    }
    r = CRect(int(v[0]), int(v[1]), int(v[2]), int(v[3]));
    return true;
}

bool ReadValues(const QJsonValue& list, CRecipeStep& step)
{
    for (const QJsonValue& pair : list.toArray()) {
        const QJsonArray nameText = pair.toArray();
        if (nameText.size() != 2 || !nameText[0].isString() || !nameText[1].isString())
            return false;
        step.values.append({nameText[0].toString(), nameText[1].toString()});
    }
    return true;
}

bool ReadStep(const QJsonObject& object, CRecipeStep& step)
{
    step.bHidden = object.value(QLatin1String("hidden")).toBool();
    if (object.contains(QLatin1String("edit"))) {
        step.strEdit = object.value(QLatin1String("edit")).toString();
        if (object.contains(QLatin1String("rect")) &&
            !ReadRect(object.value(QLatin1String("rect")), step.rect))
            return false;
        return !step.strEdit.isEmpty() && ReadValues(object.value(QLatin1String("values")), step);
    }
    step.strEffect = object.value(QLatin1String("effect")).toString();
    if (step.strEffect.isEmpty() || !ReadRect(object.value(QLatin1String("rect")), step.rect))
        return false;
    double seed = 0;
    if (!WholeNumber(object.value(QLatin1String("seed")), 0, 4294967295.0, seed))
        return false;
    step.nSeed = static_cast<DWORD>(seed);
    if (object.contains(QLatin1String("light"))) {
        const QJsonArray light = object.value(QLatin1String("light")).toArray();
        double l[3];
        if (light.size() != 3 ||
            !WholeNumber(light[0], kLightOrientRange.nMin, kLightOrientRange.nMax, l[0]) ||
            !WholeNumber(light[1], kLightIntenRange.nMin, kLightIntenRange.nMax, l[1]) ||
            !WholeNumber(light[2], kLightElevationRange.nMin, kLightElevationRange.nMax, l[2]))
            return false;
        step.bHasLight = true;
        step.nLightOrient = int(l[0]);
        step.nLightInten = int(l[1]);
        step.nLightElevation = int(l[2]);
    }
    return ReadValues(object.value(QLatin1String("values")), step);
}

QJsonArray RectArray(const CRect& rect)
{
    return QJsonArray{rect.left, rect.top, rect.right, rect.bottom};
}

}

CRecipe CRecipe::ForNewPicture(CSize size, DWORD nBackground)
{
    CRecipe recipe;
    recipe.m_start = NewPicture;
    recipe.m_size = size;
    recipe.m_nBackground = nBackground & 0xFFFFFF;
    return recipe;
}

CRecipe CRecipe::ForNewSky(int nHeight, DWORD nBackground)
{
    CRecipe recipe = ForNewPicture(CSize(2 * nHeight, nHeight), nBackground);
    recipe.m_bSkySphere = true;
    return recipe;
}

CRecipe CRecipe::ForOpenedFile(const QString& strFileName)
{
    CRecipe recipe;
    recipe.m_start = OpenedFile;
    recipe.m_strOpened = strFileName;
    return recipe;
}

QString CRecipe::ToText() const
{
    QJsonObject root;
    root.insert(QLatin1String(kFormatKey), kFormatVersion);
    switch (m_start) {
    case NewPicture:
        root.insert(QLatin1String("start"), QLatin1String("new"));
        root.insert(QLatin1String("size"), QJsonArray{m_size.cx, m_size.cy});
        root.insert(QLatin1String("background"), RgbText(m_nBackground));
        // Written for skies only, so that every flat recipe reads as it always did.
        if (m_bSkySphere)
            root.insert(QLatin1String("projection"), QLatin1String("sphere"));
        break;
    case OpenedFile:
        root.insert(QLatin1String("start"), QLatin1String("file"));
        root.insert(QLatin1String("file"), m_strOpened);
        break;
    case Unknown:
        root.insert(QLatin1String("start"), QLatin1String("unknown"));
        break;
    }
    if (m_bWrapAround)
        root.insert(QLatin1String("wrap"), true);
    QJsonArray steps;
    for (const CRecipeStep& step : m_steps) {
        QJsonObject object;
        if (step.bHidden)
            object.insert(QLatin1String("hidden"), true);
        QJsonArray values;
        for (const auto& value : step.values)
            values.append(QJsonArray{value.first, value.second});
        if (!step.strEdit.isEmpty()) {
            object.insert(QLatin1String("edit"), step.strEdit);
            if (!step.rect.IsRectEmpty())
                object.insert(QLatin1String("rect"), RectArray(step.rect));
            if (!values.isEmpty())
                object.insert(QLatin1String("values"), values);
            steps.append(object);
            continue;
        }
        object.insert(QLatin1String("effect"), step.strEffect);
        object.insert(QLatin1String("rect"), RectArray(step.rect));
        object.insert(QLatin1String("seed"), static_cast<double>(step.nSeed));
        if (step.bHasLight)
            object.insert(QLatin1String("light"), QJsonArray{step.nLightOrient, step.nLightInten,
                                                             step.nLightElevation});
        object.insert(QLatin1String("values"), values);
        steps.append(object);
    }
    root.insert(QLatin1String("steps"), steps);
    return QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Compact));
}

bool CRecipe::FromText(const QString& text, CRecipe& recipe, QString& error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &parseError);
    const QJsonObject root = document.object();
    if (document.isNull() || !root.contains(QLatin1String(kFormatKey))) {
        error = QStringLiteral("the text is not a recipe of Skyloom");
        return false;
    }
    if (root.value(QLatin1String(kFormatKey)).toInt() != kFormatVersion) {
        error = QStringLiteral("the recipe is of another version of Skyloom");
        return false;
    }
    CRecipe read;
    const QString start = root.value(QLatin1String("start")).toString();
    if (start == QLatin1String("new")) {
        const QJsonArray size = root.value(QLatin1String("size")).toArray();
        double w = 0, h = 0;
        bool ok = false;
        const uint background = root.value(QLatin1String("background")).toString().toUInt(&ok, 16);
        if (size.size() != 2 || !WholeNumber(size[0], 1, kMaxDibDimension, w) ||
            !WholeNumber(size[1], 1, kMaxDibDimension, h) || !ok || background > 0xFFFFFF) {
            error = QStringLiteral("the recipe's new picture is damaged");
            return false;
        }
        read = ForNewPicture(CSize(int(w), int(h)), background);
        const QJsonValue projection = root.value(QLatin1String("projection"));
        if (projection == QLatin1String("sphere") && w == 2 * h) {
            read.m_bSkySphere = true;
        } else if (!projection.isUndefined() && projection != QLatin1String("flat")) {
            error = QStringLiteral("the recipe's projection is damaged");
            return false;
        }
    } else if (start == QLatin1String("file")) {
        read = ForOpenedFile(root.value(QLatin1String("file")).toString());
    } else if (start != QLatin1String("unknown")) {
        error = QStringLiteral("the recipe's start is damaged");
        return false;
    }
    const QJsonValue wrap = root.value(QLatin1String("wrap"));
    if (!wrap.isUndefined() && !wrap.isBool()) {
        error = QStringLiteral("the recipe's wrap setting is damaged");
        return false;
    }
    read.m_bWrapAround = wrap.toBool(false);
    const QJsonArray steps = root.value(QLatin1String("steps")).toArray();
    if (steps.size() > kMaxRecipeSteps) {
        error = QStringLiteral("the recipe has more than %1 steps").arg(kMaxRecipeSteps);
        return false;
    }
    for (int i = 0; i < steps.size(); ++i) {
        CRecipeStep step;
        if (!ReadStep(steps[i].toObject(), step)) {
            error = QStringLiteral("step %1 of the recipe is damaged").arg(i + 1);
            return false;
        }
        read.m_steps.append(step);
    }
    recipe = read;
    return true;
}
