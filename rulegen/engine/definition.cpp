// The definition text of a code rule: writing and reading.
#include "rulegen/engine/codeclass.h"
#include "rulegen/engine/strings.h"
#include "rulegen/engine/textutil.h"
#include <cmath>
#include <limits>

namespace tessaly {

namespace {

const QChar CR(13);

QString flag(bool b) { return b ? QStringLiteral("1") : QStringLiteral("0"); }

using vb::ignoring;

struct BandLine {
    int key;
    QString value;
};
struct Entry {
    int key;
    QString value;
    QList<BandLine> band; // key 16: a band block from its name to its line "17"
};

// Reads the lines as the writer orders them, keys in any order; false when a key line is
// not a number at all. A band block not closed before the end is left out.
bool parseDefinition(const QStringList& lines, QList<Entry>* out)
{
    int i = 0;
    const int n = int(lines.size());
    while (i < n) {
        const QString& line = lines[i++];
        if (text::trim(line).isEmpty())
            continue;
        if (!text::isNumeric(line))
            return false;
        const double k = text::numberValue(line);
        if (k < 0 || k > 18)
            continue;
        const int key = int(std::nearbyint(k));
        if (i >= n)
            break; // a key without its value
        if (key != 16) {
            out->append({key, lines[i++], {}});
            continue;
        }
        // band lines up to band key 17; band key 0 starts a band, dropping one not closed
        QList<BandLine> band;
        bool named = false;
        for (; i < n; ++i) {
            const QString& bl = lines[i];
            const int eq = int(bl.indexOf(QLatin1Char('=')));
            qint64 bk = 0;
            if (!text::toWhole(eq < 0 ? bl : bl.left(eq), &bk))
                continue;
            if (bk == 17) {
                ++i;
                if (named)
                    out->append({16, QString(), band});
                break;
            }
            if (bk == 0) {
                band.clear();
                named = true;
            }
            // everything after the first "=" is the value; a line without one carries none
            if (named && eq >= 0)
                band.append({int(bk), bl.mid(eq + 1)});
        }
    }
    return true;
}

// Whether the bands' lengths together fit in a code.
bool fitsCode(const QList<Entry>& entries)
{
    double total = 0;
    for (const Entry& e : entries) {
        if (e.key != 16)
            continue;
        qint64 style = bsUndefined;
        double length = 1;
        QString fixed;
        for (const BandLine& b : e.band) {
            if (b.key == 1)
                text::toWhole(b.value, &style);
            else if (b.key == 3)
                fixed = b.value;
            else if (b.key == 5 && text::isNumeric(b.value))
                length = qMax(1.0, text::numberValue(b.value));
        }
        if (style == bsFixed)
            length = double(fixed.size());
        else if (style == bsIncreaseAlpha)
            length = 1;
        total += length;
        if (total > kMaxCodeLength)
            return false;
    }
    return true;
}

// A number the 32-bit members can take.
bool toLong(const QString& v, qint32* out)
{
    qint64 n = 0;
    if (!text::toWhole(v, &n) || n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<qint32>::max())
        return false;
    *out = qint32(n);
    return true;
}

bool toBool(const QString& v, bool* out)
{
    qint64 n = 0;
    if (text::toWhole(v, &n)) {
        *out = n != 0;
        return true;
    }
    if (text::sameText(text::trim(v), QStringLiteral("True"))) { *out = true; return true; }
    if (text::sameText(text::trim(v), QStringLiteral("False"))) { *out = false; return true; }
    return false;
}

} // namespace

// ---------------------------------------------------------------- writing

QString CodeClassImpl::SerializeBands()
{
    QStringList blocks;
    for (const auto& b : m_bands) {
        QString s = QStringLiteral("16") + CR;
        auto put = [&](int key, const QString& v) { s += QString::number(key) + QLatin1Char('=') + v + CR; };
        put(0, b->Name());
        put(1, QString::number(b->Style()));
        put(2, QString::number(b->SwapMode()));
        if (!b->Default().isEmpty())
            put(3, b->Default());
        if (!b->Formate().isEmpty())
            put(4, b->Formate());
        put(5, QString::number(b->Length()));
        if (IList* f = b->heldDataField())
            put(6, f->Name());
        put(7, QString::number(b->IncrMode()));
        if (!b->InitStart().isEmpty())
            put(8, b->InitStart());
        if (!b->InitEnd().isEmpty())
            put(9, b->InitEnd());
        // a placeholder trigger without a name reads back as none: it is not written
        if (IBand* t = b->heldTrigerBand(); t && !t->Name().isEmpty())
            put(10, t->Name());
        put(11, text::dateText(b->DateUpdated()));
        if (NamesImpl* tb = b->heldTrackBands(); tb && tb->Count() > 0)
            put(13, tb->NamesText());
        if (b->SwapMode() == smSimpleSwap)
            if (NodesImpl* r = b->heldRelations(); r && r->Count() > 0)
                put(14, r->RelationsText());
        put(15, flag(b->AllowDroped()));
        put(16, flag(b->AllowModified()));
        s += QStringLiteral("17");
        blocks.append(s);
    }
    return blocks.join(CR);
}

QString CodeClassImpl::Definition()
{
    QString s;
    auto put = [&](int key, const QString& v) { s += QString::number(key) + CR + v + CR; };
    if (!m_name.isEmpty())
        put(0, m_name);
    if (m_style != csNormal)
        put(1, QString::number(m_style));
    put(2, QString::number(m_applyMode));
    put(3, flag(m_allowAddBand));
    put(4, flag(m_allowDropBand));
    put(5, flag(m_allowSetup));
    put(6, flag(m_allowSimpleStyle));
    put(7, flag(m_allowFieldManage));
    put(8, flag(m_codeUCased));
    const QString day = m_separaOfDay.toString(QStringLiteral("HH:mm"));
    if (day != QLatin1String("00:00"))
        put(10, day);
    put(11, QString::number(m_separaOfWeek));
    put(12, QString::number(m_separaOfMonth));
    put(13, QString::number(m_separaOfYear));
    if (m_usrFields->Count() > 0)
        put(14, m_usrFields->ToText());
    if (m_usrMacros->Count() > 0)
        put(15, m_usrMacros->ToText());
    if (!m_bands.isEmpty())
        s += SerializeBands() + CR;
    if (m_layeredBands && m_layeredBands->Count() > 0)
        put(17, m_layeredBands->ToText());
    if (m_relations && m_relations->Count() > 0)
        put(9, m_relations->RelationsText());
    s.chop(1);
    return QStringLiteral("#####") + s;
}

// ---------------------------------------------------------------- reading

bool CodeClassImpl::Load(const QVariant& Definitions, const QString& Values)
{
    Q_UNUSED(Values);
    const QString rest = Definitions.toString().mid(5);
    QList<Entry> entries;
    // a text that cannot be read at all changes nothing
    if (!parseDefinition(rest.split(CR), &entries) || !fitsCode(entries))
        return false;
    Cls();
    if (rest.isEmpty())
        return true;

    struct Pair {
        QString band, other;
    };
    QList<Pair> triggers, tracks;
    // a band's field is looked up once every list is read: a later list text replaces the items
    QList<std::pair<com::ComPtr<BandImpl>, QString>> fields;
    for (const Entry& e : entries) {
        const QString& v = e.value;
        qint32 n = 0;
        bool b = false;
        switch (e.key) {
        case 0: ignoring([&] { setName(v); }); break;
        case 1: if (toLong(v, &n)) ignoring([&] { setStyle(CodeStyles(n)); }); break;
        case 2: if (toLong(v, &n)) ignoring([&] { setApplyMode(ApplyModes(n)); }); break;
        case 3: if (toBool(v, &b)) m_allowAddBand = b; break;
        case 4: if (toBool(v, &b)) m_allowDropBand = b; break;
        case 5: if (toBool(v, &b)) m_allowSetup = b; break;
        case 6: if (toBool(v, &b)) m_allowSimpleStyle = b; break;
        case 7: if (toBool(v, &b)) m_allowFieldManage = b; break;
        case 8: if (toBool(v, &b)) ignoring([&] { setCodeUCased(b); }); break;
        case 9: ignoring([&] { relations()->LoadRelationsText(v); }); break;
        case 10: {
            const QTime t = QTime::fromString(text::trim(v), QStringLiteral("H:mm"));
            if (t.isValid())
                setSeparaOfDay(t);
            break;
        }
        case 11: if (toLong(v, &n)) ignoring([&] { setSeparaOfWeek(WeekDays(n)); }); break;
        case 12: if (toLong(v, &n)) ignoring([&] { setSeparaOfMonth(n); }); break;
        case 13: if (toLong(v, &n)) ignoring([&] { setSeparaOfYear(n); }); break;
        case 14: ignoring([&] { m_usrFields->FromText(v); }); break;
        case 15: ignoring([&] { m_usrMacros->FromText(v); }); break;
        case 17: {
            // a layer list that cannot be read keeps the layers the bands gave
            ListsImpl* layers = layeredBands();
            const QList<com::ComPtr<IList>> before = layers->NewEnum();
            try {
                layers->FromText(v);
            } catch (const vb::Error&) {
                layers->clearQuietly();
                for (const auto& item : before)
                    ignoring([&] { layers->InsertItem(item.get()); });
            }
            break;
        }
        case 16: {
            com::ComPtr<BandImpl> band = com::make<BandImpl>();
            band->setParent(this);
            // "never" locks a letter counter's range, which it keeps: it is applied after the range
            bool lettersNever = false;
            for (const BandLine& l : e.band) {
                const QString& bv = l.value;
                qint32 bn = 0;
                bool bb = false;
                switch (l.key) {
                case 0: ignoring([&] { band->setName(bv); }); break;
                case 1: if (toLong(bv, &bn)) ignoring([&] { band->setStyle(BandStyles(bn)); }); break;
                case 2: if (toLong(bv, &bn)) ignoring([&] { band->setSwapMode(SwapModes(bn)); }); break;
                case 3: ignoring([&] { band->setDefault(bv); }); break;
                case 4: ignoring([&] { band->setFormate(bv); }); break;
                case 5: if (toLong(bv, &bn)) ignoring([&] { band->setLength(bn); }); break;
                case 6: fields.append({band, bv}); break;
                case 7:
                    if (!toLong(bv, &bn))
                        break;
                    lettersNever = bn == imNever && band->Style() == bsIncreaseAlpha;
                    if (!lettersNever)
                        ignoring([&] { band->setIncrMode(IncrModes(bn)); });
                    break;
                case 8: ignoring([&] { band->setInitStart(bv); }); break;
                case 9: ignoring([&] { band->setInitEnd(bv); }); break;
                case 10: triggers.append({band->Name(), bv}); break;
                case 11: {
                    QDateTime d;
                    if (text::parseDate(bv, &d))
                        band->setDateUpdated(d);
                    break;
                }
                case 12: ignoring([&] { band->setValue(bv); }); break;
                case 13: tracks.append({band->Name(), bv}); break;
                case 14:
                    ignoring([&] {
                        if (com::ComPtr<ICNodes> r = band->Relations())
                            static_cast<NodesImpl*>(r.get())->LoadRelationsText(bv);
                    });
                    break;
                case 15: if (toBool(bv, &bb)) band->setAllowDroped(bb); break;
                case 16: if (toBool(bv, &bb)) band->setAllowModified(bb); break;
                default: break;
                }
            }
            if (lettersNever)
                band->setIncrMode(imNever);
            ignoring([&] { AddBandInternal(band.get(), QVariant(), QVariant(), nullptr); });
            break;
        }
        default:
            break; // 18
        }
    }
    for (const auto& f : fields) {
        BandImpl* b = f.first.get();
        ListsImpl* lists = bandIndex(b) < 0 ? nullptr : b->dataFieldsImpl();
        if (IList* item = lists ? lists->find(f.second) : nullptr)
            ignoring([&] { b->setDataField(item); });
    }
    for (const Pair& p : triggers) {
        BandImpl* b = findBand(p.band);
        BandImpl* t = findBand(p.other);
        if (b && t)
            ignoring([&] { b->setTrigerBand(t); });
    }
    for (const Pair& p : tracks) {
        BandImpl* b = findBand(p.band);
        if (!b)
            continue;
        com::ComPtr<INames> names = b->TrackBands();
        if (!names)
            continue;
        for (const QString& name : p.other.split(QLatin1Char(',')))
            ignoring([&] { names->Add(name); });
    }
    return true;
}

} // namespace tessaly
