// Composing codes from a rule and taking them apart again.
#include "rulegen/engine/codeclass.h"
#include "rulegen/engine/strings.h"
#include "rulegen/engine/textutil.h"

namespace tessaly {

namespace {

// The item of the band's field list that the band is bound to.
IList* boundItem(BandImpl* b)
{
    ListsImpl* lists = b->dataFieldsImpl();
    if (!lists)
        throw runtimeError(vb::errObjectNotSet);
    com::ComPtr<IList> f = b->DataField();
    return lists->Item(f->Name()).get();
}

BandImpl* bandNamed(CodeClassImpl* rule, const QString& name)
{
    BandImpl* b = rule->findBand(name);
    if (!b)
        throw runtimeError(vb::errInvalidCall);
    return b;
}

} // namespace

qint32 CodeClassImpl::Length()
{
    if (m_style == csSimple)
        return -1;
    qint32 n = 0;
    for (const auto& b : m_bands)
        n += b->Length();
    return n;
}

QString CodeClassImpl::BuildCodeFilter(const QString& trackedNames)
{
    const QStringList names = trackedNames.split(QLatin1Char(';'));
    QString f;
    for (const auto& b : m_bands) {
        if (b->Style() == bsFixed) {
            f += b->Default();
            continue;
        }
        bool tracked = false;
        for (const QString& n : names)
            if (text::sameText(n, b->Name())) {
                tracked = true;
                break;
            }
        if (tracked)
            f += b->Value();
        else
            f += QString(qMax(0, b->Length()), QLatin1Char('?'));
    }
    return f;
}

QString CodeClassImpl::ExtractBandSegment(const QString& code, const QString& bandName)
{
    int start = 0;
    for (const auto& b : m_bands) {
        if (text::sameText(b->Name(), bandName))
            return code.mid(start, b->Length());
        start += b->Length();
    }
    return QString();
}

QString CodeClassImpl::GetCode(GetStyles Style)
{
    if (Style != gsCurrent && Style != gsNewCode)
        throw error(2003);

    // layered bands: each layer converts within the node matched one layer up
    if (m_layeredBands) {
        QString key;
        const auto layers = m_layeredBands->NewEnum();
        for (const auto& layer : layers) {
            BandImpl* b = bandNamed(this, layer->Name());
            QString v = boundItem(b)->Value();
            key = relations()->Conversion(csValueToCode, v, key.isEmpty() ? QVariant() : QVariant(key));
            b->setValue(v);
        }
    }

    for (const auto& b : m_bands) {
        if (!b->isBound() || b->SwapMode() == smLayersSwap)
            continue;
        QString v = boundItem(b.get())->Value();
        if (b->SwapMode() == smSimpleSwap) {
            com::ComPtr<ICNodes> tree = b->Relations();
            if (!tree)
                throw error(2033);
            tree->Conversion(csValueToCode, v, QVariant());
        }
        b->setValue(v);
    }

    // a host's handler may change the rule meanwhile: walk a copy
    const QList<com::ComPtr<BandImpl>> bands = m_bands;
    for (const auto& b : bands) {
        if (b->Style() != bsIncreaseNumber)
            continue;
        NamesImpl* tracked = b->heldTrackBands();
        if (!tracked || tracked->Count() == 0)
            continue;
        QString filter = BuildCodeFilter(tracked->NewEnum().join(QLatin1Char(';')));
        QString last;
        m_sinks.raise([&](ICodeClassEvents* s) { s->GetLastCode(filter, last); });
        QString v;
        if (last.isEmpty()) {
            v = b->Default().isEmpty() ? b->InitStart() : b->Default();
        } else {
            if (last.size() != filter.size())
                throw error(2035);
            v = ExtractBandSegment(last, b->Name());
            if (Style == gsNewCode)
                v = text::numberToText(text::numberValue(v) + 1);
        }
        if (!b->Default().isEmpty() && text::numberValue(b->Default()) > text::numberValue(v))
            v = b->Default();
        b->setValue(v);
    }

    QString code;
    code.reserve(qMax(0, Length()));
    for (const auto& b : bands) {
        const QString& v = b->valueRef();
        // a counter that has no value of its length would give a code of the wrong length
        if (b->isCounter() && v.size() != b->Length())
            throw error(2036, b->Name());
        code += v;
    }
    return code;
}

void CodeClassImpl::ExpCode(const QString& Code)
{
    if (Length() != Code.size())
        throw error(2040);
    int p = 0;
    for (const auto& b : m_bands) {
        const QString s = Code.mid(p, b->Length());
        if (b->Style() == bsFixed) {
            if (b->Default() != s)
                throw error(2041);
        } else {
            b->setSegment(s);
        }
        p += b->Length();
    }

    if (m_layeredBands) {
        QString key;
        const auto layers = m_layeredBands->NewEnum();
        for (const auto& layer : layers) {
            BandImpl* b = bandNamed(this, layer->Name());
            QString v = b->Value();
            key = relations()->Conversion(csCodeToValue, v, key.isEmpty() ? QVariant() : QVariant(key));
            boundItem(b)->setValue(v);
        }
    }

    for (const auto& b : m_bands) {
        if (!b->isBound() || b->SwapMode() == smLayersSwap)
            continue;
        QString v = b->Value();
        if (b->SwapMode() == smSimpleSwap) {
            com::ComPtr<ICNodes> tree = b->Relations();
            if (!tree)
                throw error(2033);
            tree->Conversion(csCodeToValue, v, QVariant());
        }
        boundItem(b.get())->setValue(v);
    }
}

} // namespace tessaly
