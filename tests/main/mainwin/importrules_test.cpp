// The rules of the import that need no database: renumbering and the column map.
#include "main/mainwin/import.h"
#include "platform/core/vberror.h"
#include <QSet>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace ostrel;

namespace {

TEST(ImportRules, RenumberingAndTheColumnMap)
{
    const QSet<QString> taken{u"K099"_s, u"K0100"_s, u"K100"_s};
    const auto isTaken = [&](const QString& c) { return taken.contains(c); };
    struct Case {
        QString number;
        int width;
        QString result;   // "" when refused
    } cases[] = {
        {u"K098"_s, 2, u"K0101"_s},     // past a run of taken numbers, the tail growing, never back
        {u"K99"_s, 2, u"K101"_s},
        {u"K0999"_s, 3, u"K01000"_s},
        {u"K9"_s, 1, u"K10"_s},
        {u"KA1"_s, 2, QString()},       // a tail that is no number
        {u"K"_s, 2, QString()},         // shorter than the band
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number.toStdString());
        QString got;
        try {
            got = RenumberDevice(c.number, c.width, isTaken);
        } catch (const vb::Error& e) {
            EXPECT_EQ(e.number(), 1000);
        }
        EXPECT_EQ(got, c.result);
    }
    EXPECT_THROW(RenumberDevice(u"K1"_s, 1, [](const QString&) { return true; }), vb::Error);   // bounded

    const QVector<ImportMapEntry> map = ParseImportMap(u"设备编号; Model,型号 ,规格;;ManuNo,"_s);
    ASSERT_EQ(map.size(), 3);
    EXPECT_EQ(map[0].sources, QStringList{u"设备编号"_s});
    EXPECT_EQ(map[1].target, u"Model"_s);
    EXPECT_EQ(map[1].sources, (QStringList{u"型号"_s, u"规格"_s}));
    EXPECT_EQ(map[2].sources, QStringList{u"ManuNo"_s});
}

} // namespace
