#include "rulegen/engine/codeclass.h"
#include "rulegen/engine/strings.h"
#include "rulegen/engine/textutil.h"
#include "platform/core/msgbox.h"

namespace tessaly {

using text::given;

namespace {

using vb::ignoring;

} // namespace

CodeClassImpl::CodeClassImpl() : m_self(this)
{
    m_usrMacros = com::make<ListsImpl>();
    m_usrMacros->setStyle(lsMacros);
    m_usrFields = com::make<ListsImpl>();
    m_usrFields->setStyle(lsFields);
    m_macroSink.rule = m_fieldSink.rule = m_layerSink.rule = this;
    m_macroSink.which = lsMacros;
    m_fieldSink.which = lsFields;
    m_layerSink.which = lsLayers;
    m_usrMacros->advise(&m_macroSink);
    m_usrFields->advise(&m_fieldSink);
}

CodeClassImpl::~CodeClassImpl()
{
    m_self.invalidate();
    m_usrMacros->unadvise(&m_macroSink);
    m_usrFields->unadvise(&m_fieldSink);
    if (m_layeredBands)
        m_layeredBands->unadvise(&m_layerSink);
    for (const auto& b : m_bands)
        b->dropTrigger();
}

// ---------------------------------------------------------------- lookups

int CodeClassImpl::indexOf(const QVariant& key) const
{
    return text::indexOfKey(key, m_bands.size(),
                            [&](int i, const QString& name) { return text::sameText(m_bands[i]->Name(), name); });
}

BandImpl* CodeClassImpl::findBand(const QString& name) const
{
    for (const auto& b : m_bands)
        if (text::sameText(b->Name(), name))
            return b.get();
    return nullptr;
}

int CodeClassImpl::bandIndex(const IBand* band) const
{
    for (int i = 0; i < m_bands.size(); ++i)
        if (m_bands[i].get() == band)
            return i;
    return -1;
}

com::ComPtr<IBand> CodeClassImpl::Band(const QVariant& vntIndexKey) { return m_bands[indexOf(vntIndexKey)]; }

QList<com::ComPtr<IBand>> CodeClassImpl::NewEnum()
{
    QList<com::ComPtr<IBand>> r;
    for (const auto& b : m_bands)
        r.append(b);
    return r;
}

NodesImpl* CodeClassImpl::relations()
{
    if (!m_relations) {
        m_relations = com::make<NodesImpl>();
        m_relations->SetTreeStyle(tsNormal);
    }
    return m_relations.get();
}

ListsImpl* CodeClassImpl::usedFields()
{
    if (!m_usedFields)
        m_usedFields = com::make<ListsImpl>();
    return m_usedFields.get();
}

ListsImpl* CodeClassImpl::layeredBands()
{
    if (!m_layeredBands) {
        m_layeredBands = com::make<ListsImpl>();
        m_layeredBands->setStyle(lsLayers);
        m_layeredBands->advise(&m_layerSink);
    }
    return m_layeredBands.get();
}

void CodeClassImpl::raiseBandsChanged()
{
    m_sinks.raise([](ICodeClassEvents* s) { s->BandsChanged(); });
}

void CodeClassImpl::RaiseAddField(const QString& Name)
{
    m_sinks.raise([&](ICodeClassEvents* s) { s->AddField(Name); });
}

// ---------------------------------------------------------------- bands

com::ComPtr<IBand> CodeClassImpl::Add(const QString& Name, BandStyles Style, SwapModes SwapMode,
                                      const QString& Default, IList* DataField, qint32 Length,
                                      const QString& Formate, const QVariant& Before, const QVariant& After)
{
    if (given(Before) && given(After))
        throw runtimeError(vb::errInvalidCall);
    const QString name = text::trim(Name);
    if (name.isEmpty())
        throw error(2003, msg(1501));
    // a property that the band's style makes read-only is skipped
    com::ComPtr<BandImpl> band = com::make<BandImpl>();
    unlessReadOnly([&] { band->setName(name); });
    unlessReadOnly([&] { band->setStyle(Style); });
    if ((Style == bsUsrMacro || Style == bsUsrField) && !DataField)
        throw error(2003, msg(1506));
    if (Style == bsFixed && Default.isEmpty())
        throw error(2003, msg(1503));
    unlessReadOnly([&] { band->setSwapMode(SwapMode); });
    if (!Default.isEmpty())
        unlessReadOnly([&] { band->setDefault(Default); });
    unlessReadOnly([&] { band->setLength(Length); });
    unlessReadOnly([&] { band->setFormate(Formate); });
    AddBandInternal(band.get(), Before, After, DataField);
    return band;
}

void CodeClassImpl::AddBandInternal(BandImpl* band, const QVariant& Before, const QVariant& After, IList* DataField)
{
    if (!band)
        throw error(2003);
    com::ComPtr<BandImpl> keep(band);
    if (band->Name().isEmpty())
        throw error(2003, msg(1501));
    qint64 total = band->Length();
    for (const auto& b : m_bands)
        total += b->Length();
    if (total > kMaxCodeLength)
        throw error(2003, msg(1505));
    band->setParent(this);
    if (DataField)
        band->setDataField(DataField);
    int at = int(m_bands.size());
    if (given(Before))
        at = indexOf(Before);
    else if (given(After))
        at = indexOf(After) + 1;
    if (findBand(band->Name()))
        throw runtimeError(vb::errKeyExists);
    m_bands.insert(at, keep);
    raiseBandsChanged();
    if (band->SwapMode() == smLayersSwap)
        ignoring([&] { layeredBands()->Add(band->Name()); });
    // the new band's field counts as used at once
    ignoring([&] { RefreshUsedFields(); });
}

void CodeClassImpl::Remove(const QVariant& vntIndexKey)
{
    com::ComPtr<BandImpl> band = m_bands[indexOf(vntIndexKey)];
    const QString name = band->Name();
    bool cancel = false;
    QString description;
    m_sinks.raise([&](ICodeClassEvents* s) { s->BeforeDropBand(name, cancel, description); });
    if (cancel || bandIndex(band.get()) < 0)
        return;

    QStringList triggered;
    for (const auto& b : m_bands)
        if (b->heldTrigerBand() == band.get())
            triggered.append(b->Name());
    if (!triggered.isEmpty())
        throw error(2009, triggered.join(QLatin1Char(' ')));

    QStringList tracking;
    for (const auto& b : m_bands)
        if (b->heldTrackBands() && b->heldTrackBands()->contains(name))
            tracking.append(b->Name());
    if (!tracking.isEmpty()) {
        const int answer = ui::MsgBox(msg(2010) + blankLine() + tracking.join(QLatin1Char(' ')),
                                      ui::vbYesNo | ui::vbQuestion, appTitle());
        if (answer != ui::vbYes)
            throw error(2011);
        for (const auto& b : m_bands)
            if (b->heldTrackBands())
                ignoring([&] { b->heldTrackBands()->Remove(name); });
    }

    const int at = bandIndex(band.get());
    if (at >= 0)
        m_bands.removeAt(at);
    if (m_layeredBands)
        ignoring([&] { m_layeredBands->Remove(name); });
    ignoring([&] { RefreshUsedFields(); });
    raiseBandsChanged();
}

void CodeClassImpl::Drag(const QVariant& vntIndexKey, const QVariant& Before, const QVariant& After)
{
    if (m_bands.size() < 2)
        return;
    if (given(Before) == given(After))
        throw error(2003);
    com::ComPtr<BandImpl> moved = m_bands[indexOf(vntIndexKey)];
    const int r = indexOf(given(Before) ? Before : After); // 0-based
    BandImpl* ref = m_bands[r].get();
    if (ref == moved.get())
        throw error(2008);
    if (given(Before) && r >= 1 && m_bands[r - 1] == moved)
        throw error(2008);
    if (given(After) && r + 1 < m_bands.size() && m_bands[r + 1] == moved)
        throw error(2008);
    const QString refName = ref->Name();
    const int from = bandIndex(moved.get());
    m_bands.removeAt(from);
    try {
        if (given(Before))
            AddBandInternal(moved.get(), refName, QVariant(), nullptr);
        else
            AddBandInternal(moved.get(), QVariant(), refName, nullptr);
    } catch (...) {
        if (bandIndex(moved.get()) < 0)
            m_bands.insert(from, moved);
        throw;
    }
}

void CodeClassImpl::Cls()
{
    while (!m_bands.isEmpty())
        m_bands.removeLast();
    if (m_relations)
        m_relations->Cls();
    // nothing may refer to bands that are gone: layers and used fields go with them
    if (m_layeredBands)
        while (m_layeredBands->Count() > 0) {
            const int before = m_layeredBands->Count();
            ignoring([&] { m_layeredBands->Remove(before); });
            if (m_layeredBands->Count() == before)
                m_layeredBands->clearQuietly();
        }
    if (m_usedFields)
        m_usedFields->clearQuietly();
    raiseBandsChanged();
}

void CodeClassImpl::RefreshUsedFields()
{
    ListsImpl* used = usedFields();
    used->clearQuietly();
    for (const auto& b : m_bands) {
        IList* f = b->heldDataField();
        if (!f || f->Name().isEmpty())
            continue;
        bool present = false;
        for (const auto& u : used->NewEnum())
            if (u.get() == f || text::sameText(u->Name(), f->Name()))
                present = true;
        if (!present)
            used->InsertItem(f);
    }
}

// ---------------------------------------------------------------- saving

void CodeClassImpl::Save(qint32 Options) { saveRule(Options); }

QString CodeClassImpl::storedDefinition()
{
    QString stored;
    const QString name = m_name;
    m_sinks.raise([&](ICodeClassEvents* s) { s->GetSettings(name, stored); });
    return stored;
}

CodeClassImpl::SaveResult CodeClassImpl::saveRule(qint32 Options)
{
    QString text = Definition();
    if (!(Options & soSaveEnsured)) {
        const QString stored = storedDefinition();
        // a change of letter case only is a change too
        if (!stored.isEmpty() && stored == text)
            return SaveResult::Unchanged;
    }
    if (!(Options & soNoPrompt)) {
        if (ui::MsgBox(msg(2039), ui::vbYesNo | ui::vbQuestion, appTitle()) != ui::vbYes)
            return SaveResult::Declined;
    }
    bool achieved = false;
    m_sinks.raise([&](ICodeClassEvents* s) { s->Save(text, achieved); });
    if (!achieved)
        throw vb::Error(2005, msg(2005), QStringLiteral("Tessaly"));
    return SaveResult::Saved;
}

void CodeClassImpl::resetRule()
{
    Cls();
    const bool hadLists = m_usrFields->Count() > 0 || m_usrMacros->Count() > 0;
    m_usrFields->clearQuietly();
    m_usrMacros->clearQuietly();
    if (hadLists)
        m_sinks.raise([](ICodeClassEvents* s) { s->FieldsChanged(); });
    m_name.clear();
    m_allowFieldManage = m_allowDropBand = m_allowAddBand = true;
    m_allowSimpleStyle = m_allowSetup = false;
    m_style = csNormal;
    m_applyMode = amOverAgain;
    m_codeUCased = true;
    m_separaOfYear = m_separaOfMonth = 1;
    m_separaOfWeek = wdMonday;
    m_separaOfDay = QTime(0, 0);
}

// ---------------------------------------------------------------- settings

void CodeClassImpl::setName(const QString& v)
{
    const QString t = text::trim(v);
    if (!text::fitsText(t, ""))
        throw error(2003);
    m_name = t;
}

void CodeClassImpl::setSeparaOfYear(qint32 v)
{
    if (v < 1 || v > 12)
        throw error(2003);
    m_separaOfYear = v;
}

void CodeClassImpl::setSeparaOfMonth(qint32 v)
{
    if (v < 1 || v > 28)
        throw error(2003);
    m_separaOfMonth = v;
}

void CodeClassImpl::setSeparaOfWeek(WeekDays v)
{
    if (v < 0 || v > 7)
        throw error(2003);
    m_separaOfWeek = v;
}

void CodeClassImpl::setSeparaOfDay(const QTime& v)
{
    m_separaOfDay = v.isValid() ? QTime(v.hour(), v.minute()) : QTime(0, 0);
}

void CodeClassImpl::setStyle(CodeStyles v)
{
    if (v != csNormal && v != csSimple)
        throw error(2003);
    m_style = v;
}

void CodeClassImpl::setApplyMode(ApplyModes v)
{
    if (v != amOverAgain && v != amSuccessive)
        throw error(2003);
    m_applyMode = v;
}

void CodeClassImpl::setCodeUCased(bool v)
{
    NodesImpl* tree = relations();
    const auto nodes = tree->store();
    for (const auto& n : nodes)
        n->setText(n->Text().toUpper());
    m_codeUCased = v;
}

// ---------------------------------------------------------------- handlers of the rule's lists

QString CodeClassImpl::boundBandsOf(const QString& name, ListStyles style) const
{
    QStringList names;
    for (const auto& b : m_bands) {
        IList* f = b->heldDataField();
        if (f && f->Style() == style && f->Name() == name)
            names.append(b->Name());
    }
    return names.join(QLatin1Char(' '));
}

void CodeClassImpl::ListSink::CollectionChanged()
{
    if (which == lsLayers) {
        rule->m_sinks.raise([](ICodeClassEvents* s) { s->LayeredBandsChanged(); });
        if (rule->m_relations && rule->m_relations->Count() > 0) {
            rule->m_relations->Cls();
            ui::MsgBox(msg(2021), ui::vbInformation, appTitle());
        }
        return;
    }
    rule->m_sinks.raise([](ICodeClassEvents* s) { s->FieldsChanged(); });
}

void CodeClassImpl::ListSink::BeforeAdd(QString& Name, bool& Cancel, QString& Description, qint32&)
{
    if (which != lsLayers)
        return;
    BandImpl* b = rule->findBand(Name);
    if (!b || b->SwapMode() != smLayersSwap) {
        Cancel = true;
        Description = msg(2023);
    }
}

void CodeClassImpl::ListSink::BeforeRemove(QString& Name, bool& Cancel, QString& Description)
{
    if (which == lsLayers) {
        BandImpl* b = rule->findBand(Name);
        if (b && b->SwapMode() == smLayersSwap) {
            Cancel = true;
            Description = msg(2024);
        }
        return;
    }
    const ListStyles style = ListStyles(which);
    const QString bands = rule->boundBandsOf(Name, style);
    if (bands.isEmpty()) {
        Cancel = false;
        return;
    }
    ListsImpl* list = which == lsFields ? rule->m_usrFields.get() : rule->m_usrMacros.get();
    IList* item = list->find(Name);
    QString m = msg(which == lsFields ? 2014 : 2016);
    m.replace(QLatin1Char('*'), QLatin1Char('[') + (item ? item->ForeignName() : Name) + QLatin1Char(']'));
    Cancel = true;
    Description = m + blankLine() + bands;
}

} // namespace tessaly
