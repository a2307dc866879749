#pragma once
// The code rule: bands, lists, relation tree, options, definition text and code generation.
#include "rulegen/include/tessaly.h"
#include "rulegen/engine/band.h"
#include "rulegen/engine/lists.h"
#include "rulegen/engine/nodes.h"
#include "rulegen/engine/sinks.h"

namespace tessaly {

class CodeClassImpl final : public com::Object<ICodeClass> {
public:
    CodeClassImpl();
    ~CodeClassImpl() override;

    com::ComPtr<IBand> Add(const QString& Name, BandStyles Style = bsIncreaseNumber, SwapModes SwapMode = smNoneSwap,
                           const QString& Default = QString(), IList* DataField = nullptr, qint32 Length = 1,
                           const QString& Formate = QString(), const QVariant& Before = QVariant(),
                           const QVariant& After = QVariant()) override;
    com::ComPtr<IBand> Band(const QVariant& vntIndexKey) override;
    qint32 Count() override { return qint32(m_bands.size()); }
    void Remove(const QVariant& vntIndexKey) override;
    QList<com::ComPtr<IBand>> NewEnum() override;
    void Drag(const QVariant& vntIndexKey, const QVariant& Before = QVariant(), const QVariant& After = QVariant()) override;
    com::ComPtr<ICNodes> Relations() override { return com::ComPtr<ICNodes>(relations()); }
    void Cls() override;
    void Save(qint32 Options = soDefault) override;
    com::ComPtr<ILists> UsrFields() override { return com::ComPtr<ILists>(m_usrFields.get()); }
    void ShowDesigner(const QString& sTitle, bool AllowSetup) override;
    com::ComPtr<ILists> UsrMacros() override { return com::ComPtr<ILists>(m_usrMacros.get()); }
    QString Value() override { return m_value; }
    void setValue(const QString& v) override { m_value = v; }
    qint32 SeparaOfYear() override { return m_separaOfYear; }
    void setSeparaOfYear(qint32 v) override;
    qint32 SeparaOfMonth() override { return m_separaOfMonth; }
    void setSeparaOfMonth(qint32 v) override;
    WeekDays SeparaOfWeek() override { return m_separaOfWeek; }
    void setSeparaOfWeek(WeekDays v) override;
    QTime SeparaOfDay() override { return m_separaOfDay; }
    void setSeparaOfDay(const QTime& v) override;
    com::ComPtr<ILists> UsedFields() override { return com::ComPtr<ILists>(usedFields()); }
    void ShowFieldManage(const QString& sTitle) override;
    bool AllowFieldManage() override { return m_allowFieldManage; }
    void setAllowFieldManage(bool v) override { m_allowFieldManage = v; }
    bool AllowDropBand() override { return m_allowDropBand; }
    void setAllowDropBand(bool v) override { m_allowDropBand = v; }
    bool AllowAddBand() override { return m_allowAddBand; }
    void setAllowAddBand(bool v) override { m_allowAddBand = v; }
    QString Name() override { return m_name; }
    void setName(const QString& v) override;
    void ShowOptions(const QString& sTitle) override;
    bool AllowSimpleStyle() override { return m_allowSimpleStyle; }
    void setAllowSimpleStyle(bool v) override { m_allowSimpleStyle = v; }
    void setAllowSetup(bool v) override { m_allowSetup = v; }
    com::ComPtr<ILists> LayeredBands() override { return com::ComPtr<ILists>(layeredBands()); }
    CodeStyles Style() override { return m_style; }
    void setStyle(CodeStyles v) override;
    ApplyModes ApplyMode() override { return m_applyMode; }
    void setApplyMode(ApplyModes v) override;
    bool CodeUCased() override { return m_codeUCased; }
    void setCodeUCased(bool v) override;
    bool Load(const QVariant& Definitions, const QString& Values) override;
    QString GetCode(GetStyles Style = gsNewCode) override;
    void ExpCode(const QString& Code) override;
    QString Definition() override;
    qint32 Length() override;
    void advise(ICodeClassEvents* sink) override { m_sinks.add(sink); }
    void unadvise(ICodeClassEvents* sink) override { m_sinks.remove(sink); }

    // Library-internal operations (the bands, the designer windows).
    const QList<com::ComPtr<BandImpl>>& bands() const { return m_bands; }
    BandImpl* findBand(const QString& name) const; // ignoring case
    int bandIndex(const IBand* band) const;        // 0-based, -1
    NodesImpl* relations();
    NodesImpl* heldRelations() const { return m_relations.get(); }
    ListsImpl* usedFields();
    ListsImpl* layeredBands();
    ListsImpl* usrFieldsImpl() const { return m_usrFields.get(); }
    ListsImpl* usrMacrosImpl() const { return m_usrMacros.get(); }
    void AddBandInternal(BandImpl* band, const QVariant& Before, const QVariant& After, IList* DataField);
    void RaiseAddField(const QString& Name);
    bool allowSetup() const { return m_allowSetup; }
    void RefreshUsedFields();
    QString SerializeBands();
    QString BuildCodeFilter(const QString& trackedNames);
    QString ExtractBandSegment(const QString& code, const QString& bandName);
    void ShowAddBandDialog(QString& referenceBand, qint32& position);
    void ShowRelationDialog(const QVariant& band, const QVariant& referenceNode, bool modify, qint32& relationship);
    std::weak_ptr<CodeClassImpl*> handle() const { return m_self.weak(); }
    // Save, telling how it ended: nothing to save, handed to the host, or declined by the user.
    enum class SaveResult { Unchanged, Saved, Declined };
    SaveResult saveRule(qint32 Options = soDefault);
    // The definition text the host keeps for this rule (GetSettings); empty when none.
    QString storedDefinition();
    // Back to the state of a new rule: no bands, lists, layers, relations; default options.
    void resetRule();

private:
    struct ListSink : IListsEvents {
        CodeClassImpl* rule = nullptr;
        int which = 0; // lsMacros, lsFields, lsLayers
        void CollectionChanged() override;
        void BeforeRemove(QString& Name, bool& Cancel, QString& Description) override;
        void BeforeAdd(QString& Name, bool& Cancel, QString& Description, qint32& Index) override;
    };
    int indexOf(const QVariant& vntIndexKey) const;
    QString boundBandsOf(const QString& name, ListStyles style) const;
    void raiseBandsChanged();

    QString m_name;
    QList<com::ComPtr<BandImpl>> m_bands;
    com::ComPtr<NodesImpl> m_relations;
    com::ComPtr<ListsImpl> m_usedFields, m_usrMacros, m_usrFields, m_layeredBands;
    ListSink m_macroSink, m_fieldSink, m_layerSink;
    bool m_allowFieldManage = true, m_allowDropBand = true, m_allowAddBand = true;
    bool m_allowSimpleStyle = false, m_allowSetup = false;
    CodeStyles m_style = csNormal;
    ApplyModes m_applyMode = amOverAgain;
    bool m_codeUCased = true;
    QString m_value;
    qint32 m_separaOfYear = 1, m_separaOfMonth = 1;
    WeekDays m_separaOfWeek = wdMonday;
    QTime m_separaOfDay = QTime(0, 0);
    Sinks<ICodeClassEvents> m_sinks;
    SelfHandle<CodeClassImpl> m_self;
};

} // namespace tessaly
