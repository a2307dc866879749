#include "main/reports/devicefields.h"

namespace ostrel {

void ParseDeviceFields(FieldTable& normal, FieldTable& coded, const QString& catalogue)
{
    normal = FieldTable(2);
    coded = FieldTable(4);
    for (const QString& entry : catalogue.split(QLatin1Char(';'))) {
        QStringList f = entry.split(QLatin1Char(','));
        while (f.size() < 4)
            f.append(QString());
        const QString& caption = f[0];
        if (f[2].isEmpty())
            f[2] = caption;
        if (f[1].isEmpty())
            f[1] = QStringLiteral("0");
        if (f[3].isEmpty())
            f[3] = caption;
        if (f[1] == QLatin1String("0")) {
            normal[0].append(caption);
            normal[1].append(f[2]);
        } else if (f[1] == QLatin1String("1")) {
            coded[0].append(caption);
            coded[1].append(f[2]);
            coded[2].append(f[3]);
            coded[3].append(QString());
        }
    }
}

} // namespace ostrel
