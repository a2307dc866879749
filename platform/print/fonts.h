#pragma once
// Printer fonts: Windows font names mapped to installed families, and text
// measured independently of the output device.
#include <QFont>
#include <QFontMetricsF>
#include <QString>
#include <memory>

namespace prn {

struct FontSpec {
    QString name;     // as the caller named it
    double size = 9;  // points
    bool bold = false;
    bool italic = false;
    bool operator==(const FontSpec& o) const
    {
        return name == o.name && size == o.size && bold == o.bold && italic == o.italic;
    }
};

// The font of a spec for a device of the given resolution.
QFont deviceFont(const FontSpec& spec, double dpi);

class FontMeasure {
public:
    double widthMm(const FontSpec& f, const QString& line);
    double heightMm(const FontSpec& f);
    double ascentMm(const FontSpec& f);
    // The installed family that prints a font name.
    static QString family(const QString& name);

private:
    const QFontMetricsF& metrics(const FontSpec& f);
    FontSpec m_spec;
    std::unique_ptr<QFontMetricsF> m_metrics;
};

} // namespace prn
