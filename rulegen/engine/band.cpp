#include "rulegen/engine/band.h"
#include "rulegen/engine/codeclass.h"
#include "rulegen/engine/strings.h"
#include "rulegen/engine/textutil.h"

namespace tessaly {

namespace {

// Whole-string comparison with "a" and "z": a value inside is upper-cased.
QString lowerCaseTest(const QString& v)
{
    if (QString::compare(v, QStringLiteral("a"), Qt::CaseSensitive) >= 0 &&
        QString::compare(v, QStringLiteral("z"), Qt::CaseSensitive) <= 0)
        return v.toUpper();
    return v;
}

bool inAtoZ(const QString& v)
{
    return QString::compare(v, QStringLiteral("A"), Qt::CaseSensitive) >= 0 &&
           QString::compare(v, QStringLiteral("Z"), Qt::CaseSensitive) <= 0;
}

using vb::ignoring;

} // namespace

BandImpl::BandImpl() : m_dateUpdated(text::zeroDate()) {}

BandImpl::~BandImpl()
{
    if (m_trackBands)
        m_trackBands->unadvise(this);
}

void BandImpl::setParent(CodeClassImpl* rule) { m_parent = rule ? rule->handle() : std::weak_ptr<CodeClassImpl*>(); }

void BandImpl::requireStyle() const
{
    if (m_style == bsUndefined)
        throw error(2002);
}

bool BandImpl::fitsCode(qint64 length) const
{
    qint64 total = length;
    if (CodeClassImpl* rule = parent())
        for (const auto& b : rule->bands())
            if (b.get() != this)
                total += b->Length();
    return total <= kMaxCodeLength;
}

void BandImpl::setStyle(BandStyles v)
{
    if (m_style != bsUndefined)
        throw error(2001);
    if (v < bsFixed || v > bsIncreaseAlpha)
        throw runtimeError(vb::errInvalidCall);
    m_style = v;
    if (isCounter())
        setIncrMode(imIncrAuto);
}

void BandImpl::setName(const QString& v)
{
    if (!m_name.isEmpty())
        throw error(2004);
    const QString t = text::trim(v);
    // the definition text joins band names with these
    if (t.isEmpty() || !text::fitsText(t, ",;:="))
        throw error(2003);
    m_name = t;
}

void BandImpl::setFormate(const QString& v)
{
    requireStyle();
    if (m_style == bsFixed || m_style == bsIncreaseAlpha)
        throw error(2004);
    m_formate = v;
}

void BandImpl::setLength(qint32 v)
{
    requireStyle();
    if (m_style == bsFixed || m_style == bsIncreaseAlpha)
        throw error(2004);
    if (v <= 0 || !fitsCode(v))
        throw error(2003, msg(1505));
    m_length = v;
}

void BandImpl::setDefault(const QString& v)
{
    requireStyle();
    switch (m_style) {
    case bsFixed:
        if (v == m_default)
            return;
        // a fixed band of no text would have no length
        if (v.isEmpty())
            throw error(2003, msg(1503));
        if (!fitsCode(v.size()))
            throw error(2003, msg(1505));
        m_length = qint32(v.size());
        m_default = v;
        return;
    case bsIncreaseNumber:
        if (v == m_default)
            return;
        if (!text::isNumeric(v))
            throw error(2003);
        m_default = text::numberText(v);
        return;
    case bsIncreaseAlpha: {
        const QString u = lowerCaseTest(v);
        if (u == m_default)
            return;
        if (!inAtoZ(u) || u.size() != m_length)
            throw error(2003);
        m_default = u;
        return;
    }
    default:
        throw error(2004);
    }
}

QString BandImpl::Value() { return m_style == bsFixed ? m_default : m_value; }

void BandImpl::setValue(const QString& v)
{
    requireStyle();
    switch (m_style) {
    case bsFixed:
        throw error(2004);
    case bsIncreaseNumber:
        if (!text::isNumeric(v))
            throw error(2003);
        [[fallthrough]];
    case bsUsrMacro:
    case bsUsrField: {
        const QString f = m_formate.isEmpty() ? v : text::format(v, m_formate);
        if (f.size() != m_length)
            throw error(2036, m_name);
        m_value = f;
        return;
    }
    case bsIncreaseAlpha: {
        const QString u = lowerCaseTest(v);
        if (u.size() != m_length)
            throw error(2003);
        if (!m_initStart.isEmpty() && QString::compare(u, m_initStart, Qt::CaseSensitive) < 0)
            throw error(2003);
        if (!m_initEnd.isEmpty() && QString::compare(u, m_initEnd, Qt::CaseSensitive) > 0)
            throw error(2003);
        if (QString::compare(u, QStringLiteral("Z"), Qt::CaseSensitive) > 0)
            throw error(2003);
        m_value = u;
        return;
    }
    default:
        throw error(2002);
    }
}

void BandImpl::setSegment(const QString& s)
{
    requireStyle();
    switch (m_style) {
    case bsIncreaseNumber:
        if (!text::isNumeric(s))
            throw error(2003);
        [[fallthrough]];
    case bsUsrMacro:
    case bsUsrField:
        if (s.size() != m_length)
            throw error(2036, m_name);
        m_value = s;
        return;
    default:
        setValue(s);
    }
}

void BandImpl::setIncrMode(IncrModes v)
{
    requireStyle();
    if (!isCounter())
        throw error(2004);
    if (v < imNever || v > imTrigered)
        throw runtimeError(vb::errInvalidCall);
    if (v == m_incrMode)
        return;
    m_incrMode = v;
    if (m_style == bsIncreaseAlpha) {
        if (v != imNever) {
            if (!inAtoZ(m_initStart))
                m_initStart = QStringLiteral("A");
            if (!inAtoZ(m_initEnd))
                m_initEnd = QStringLiteral("Z");
        }
    } else if (v == imNever) {
        m_initStart.clear();
        m_initEnd.clear();
    } else {
        if (!text::isNumeric(m_initStart))
            m_initStart = QStringLiteral("1");
        if (!text::isNumeric(m_initEnd))
            m_initEnd.clear();
    }
    m_trigerBand = nullptr;
}

void BandImpl::setSwapMode(SwapModes v)
{
    requireStyle();
    if (!isBound())
        throw error(2004);
    if (v < smNoneSwap || v > smLayersSwap)
        throw runtimeError(vb::errInvalidCall);
    // writing the present value back must keep the band's relation table
    if (v == m_swapMode)
        return;
    const SwapModes old = m_swapMode;
    m_swapMode = v;
    if (CodeClassImpl* owner = parent()) {
        if (v == smLayersSwap)
            ignoring([&] { owner->layeredBands()->Add(m_name); });
        else if (old == smLayersSwap)
            ignoring([&] { owner->layeredBands()->Remove(m_name); });
    }
    m_relations = nullptr;
    if (v == smSimpleSwap) {
        m_relations = com::make<NodesImpl>();
        m_relations->SetTreeStyle(tsSimplified);
    }
}

void BandImpl::setInitStart(const QString& v)
{
    requireStyle();
    if (m_style == bsIncreaseNumber) {
        if (v == m_initStart)
            return;
        if (!text::isNumeric(v))
            throw error(2003);
        m_initStart = text::numberText(v);
    } else if (m_style == bsIncreaseAlpha) {
        if (v == m_initStart)
            return;
        const QString u = lowerCaseTest(v);
        if (!inAtoZ(u) || u.size() != m_length)
            throw error(2003);
        m_initStart = u;
    } else {
        throw error(2004);
    }
}

void BandImpl::CheckBoundValue(QString& field, const QString& v, bool allowEmpty)
{
    requireStyle();
    if (!isCounter())
        throw error(2004);
    if (m_incrMode == imNever)
        throw error(2004);
    if (v == field)
        return;
    if (m_style == bsIncreaseNumber) {
        if ((allowEmpty && v.isEmpty()) || text::isNumeric(v)) {
            field = v;
            return;
        }
        throw error(2003);
    }
    const QString u = lowerCaseTest(v);
    if (!inAtoZ(u) || u.size() != m_length)
        throw error(2003);
    field = u;
}

void BandImpl::setInitEnd(const QString& v) { CheckBoundValue(m_initEnd, v, true); }

com::ComPtr<INames> BandImpl::TrackBands()
{
    if (!isCounter())
        return {};
    if (!m_trackBands) {
        m_trackBands = com::make<NamesImpl>();
        m_trackBands->advise(this);
    }
    return com::ComPtr<INames>(m_trackBands.get());
}

void BandImpl::BeforeAdd(const QString& Name, bool& Cancel, QString& Description)
{
    if (text::sameText(Name, m_name)) {
        Cancel = true;
        Description = msg(2031);
        return;
    }
    CodeClassImpl* owner = parent();
    if (!owner || !owner->findBand(Name)) {
        Cancel = true;
        Description = msg(2003);
    }
}

com::ComPtr<ICNodes> BandImpl::Relations()
{
    if (m_swapMode == smLayersSwap && isBound()) {
        CodeClassImpl* owner = parent();
        m_relations = owner ? com::ComPtr<NodesImpl>(owner->relations()) : nullptr;
        return com::ComPtr<ICNodes>(m_relations.get());
    }
    // a simple band's own table is made with its swap mode (setSwapMode)
    if (isBound() && m_swapMode == smSimpleSwap)
        return com::ComPtr<ICNodes>(m_relations.get());
    return {};
}

ListsImpl* BandImpl::dataFieldsImpl() const
{
    CodeClassImpl* owner = parent();
    if (!owner)
        return nullptr;
    if (m_style == bsUsrMacro)
        return owner->usrMacrosImpl();
    if (m_style == bsUsrField)
        return owner->usrFieldsImpl();
    return nullptr;
}

com::ComPtr<ILists> BandImpl::DataFields() { return com::ComPtr<ILists>(dataFieldsImpl()); }

com::ComPtr<IList> BandImpl::DataField()
{
    if (!isBound())
        return {};
    // an unbound band answers an empty entry that it does not keep: reading changes nothing
    if (!m_dataField)
        return com::make<ListImpl>();
    return m_dataField;
}

void BandImpl::setDataField(IList* v)
{
    ListsImpl* lists = dataFieldsImpl();
    if (!lists)
        throw error(2004);
    if (!v || !lists->containsItem(v))
        throw error(2003, msg(1506));
    m_dataField = com::ComPtr<IList>(v);
    if (CodeClassImpl* owner = parent())
        ignoring([&] { owner->RefreshUsedFields(); });
}

com::ComPtr<IBand> BandImpl::TrigerBand()
{
    requireStyle();
    // the unnamed placeholder is not kept: reading changes nothing
    if (isCounter() && m_incrMode == imTrigered && !m_trigerBand)
        return com::make<BandImpl>();
    return m_trigerBand;
}

void BandImpl::setTrigerBand(IBand* v)
{
    CodeClassImpl* owner = parent();
    if (!owner)
        throw error(2003);
    if (!v || v->Name().isEmpty()) {
        m_trigerBand = nullptr;
        return;
    }
    const QString name = v->Name();
    if (name == m_name)
        throw error(2038);
    bool found = false;
    for (const auto& b : owner->bands())
        if (b->Name() == name) {
            found = true;
            break;
        }
    if (!found)
        throw error(2003, msg(1513));
    m_trigerBand = com::ComPtr<IBand>(v);
}

qint32 BandImpl::Index()
{
    CodeClassImpl* owner = parent();
    if (!owner)
        return -1;
    const int i = owner->bandIndex(this);
    return i < 0 ? -1 : i + 1;
}

} // namespace tessaly
