#include "platform/print/fonts.h"
#include <QFontDatabase>
#include <QHash>
#include <QSet>

namespace prn {

namespace {

// Text is measured at 100 pixels per point, without hinting, so that widths
// scale exactly to every device.
constexpr double kMeasurePixelsPerPoint = 100.0;
constexpr double kMmPerPoint = 25.4 / 72.0;

const QStringList& cjkFamilies()
{
    static const QStringList l = {
        QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("WenQuanYi Zen Hei"),
        QStringLiteral("Noto Sans CJK SC"),    QStringLiteral("Noto Serif CJK SC"),
        QStringLiteral("Source Han Sans SC"),  QStringLiteral("AR PL UMing CN"),
        QStringLiteral("AR PL UKai CN"),       QStringLiteral("Droid Sans Fallback"),
    };
    return l;
}

enum class Kind { Cjk, Sans, Serif, Mono };

// What stands in for a font that is not installed: a Windows name by its kind, others by a CJK font.
Kind kindOfName(const QString& lower)
{
    static const QHash<QString, Kind> names = {
        {QStringLiteral("宋体"), Kind::Cjk},      {QStringLiteral("新宋体"), Kind::Cjk},
        {QStringLiteral("simsun"), Kind::Cjk},    {QStringLiteral("nsimsun"), Kind::Cjk},
        {QStringLiteral("黑体"), Kind::Cjk},      {QStringLiteral("simhei"), Kind::Cjk},
        {QStringLiteral("楷体"), Kind::Cjk},      {QStringLiteral("楷体_gb2312"), Kind::Cjk},
        {QStringLiteral("kaiti"), Kind::Cjk},     {QStringLiteral("kaiti_gb2312"), Kind::Cjk},
        {QStringLiteral("仿宋"), Kind::Cjk},      {QStringLiteral("仿宋_gb2312"), Kind::Cjk},
        {QStringLiteral("fangsong"), Kind::Cjk},  {QStringLiteral("fangsong_gb2312"), Kind::Cjk},
        {QStringLiteral("隶书"), Kind::Cjk},      {QStringLiteral("幼圆"), Kind::Cjk},
        {QStringLiteral("微软雅黑"), Kind::Cjk},  {QStringLiteral("microsoft yahei"), Kind::Cjk},
        {QStringLiteral("细明体"), Kind::Cjk},    {QStringLiteral("新细明体"), Kind::Cjk},
        {QStringLiteral("mingliu"), Kind::Cjk},   {QStringLiteral("pmingliu"), Kind::Cjk},
        {QStringLiteral("arial"), Kind::Sans},    {QStringLiteral("tahoma"), Kind::Sans},
        {QStringLiteral("verdana"), Kind::Sans},  {QStringLiteral("ms sans serif"), Kind::Sans},
        {QStringLiteral("times new roman"), Kind::Serif}, {QStringLiteral("ms serif"), Kind::Serif},
        {QStringLiteral("courier new"), Kind::Mono},      {QStringLiteral("courier"), Kind::Mono},
    };
    const auto it = names.constFind(lower);
    return it != names.constEnd() ? *it : Kind::Cjk;
}

QString firstInstalled(const QStringList& candidates, const QSet<QString>& installed)
{
    for (const QString& c : candidates)
        if (installed.contains(c.toLower()))
            return c;
    return QString();
}

QString resolve(const QString& name)
{
    static const QSet<QString> installed = [] {
        QSet<QString> s;
        for (const QString& f : QFontDatabase::families())
            s.insert(f.toLower());
        return s;
    }();
    const QString lower = name.trimmed().toLower();
    if (installed.contains(lower))
        return name.trimmed();
    const Kind kind = kindOfName(lower);
    QStringList candidates;
    switch (kind) {
    case Kind::Sans:
        candidates = {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")};
        break;
    case Kind::Serif:
        candidates = {QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")};
        break;
    case Kind::Mono:
        candidates = {QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")};
        break;
    case Kind::Cjk:
        break;
    }
    candidates += cjkFamilies();
    const QString found = firstInstalled(candidates, installed);
    return found.isEmpty() ? name.trimmed() : found;
}

QFont makeFont(const FontSpec& spec, int pixelSize)
{
    QFont f(FontMeasure::family(spec.name));
    f.setPixelSize(qMax(1, pixelSize));
    f.setBold(spec.bold);
    f.setItalic(spec.italic);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(false);
    return f;
}

} // namespace

QString FontMeasure::family(const QString& name)
{
    static QHash<QString, QString> cache;
    auto it = cache.constFind(name);
    if (it == cache.constEnd())
        it = cache.insert(name, resolve(name));
    return *it;
}

QFont deviceFont(const FontSpec& spec, double dpi)
{
    return makeFont(spec, qRound(spec.size * dpi / 72.0));
}

const QFontMetricsF& FontMeasure::metrics(const FontSpec& f)
{
    if (!m_metrics || !(m_spec == f)) {
        m_metrics = std::make_unique<QFontMetricsF>(makeFont(f, qRound(f.size * kMeasurePixelsPerPoint)));
        m_spec = f;
    }
    return *m_metrics;
}

double FontMeasure::widthMm(const FontSpec& f, const QString& line)
{
    return metrics(f).horizontalAdvance(line) / kMeasurePixelsPerPoint * kMmPerPoint;
}

double FontMeasure::heightMm(const FontSpec& f)
{
    return metrics(f).height() / kMeasurePixelsPerPoint * kMmPerPoint;
}

double FontMeasure::ascentMm(const FontSpec& f)
{
    return metrics(f).ascent() / kMeasurePixelsPerPoint * kMmPerPoint;
}

} // namespace prn
