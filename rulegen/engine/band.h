#pragma once
// One segment of a code.
#include "rulegen/include/tessaly.h"
#include "rulegen/engine/lists.h"
#include "rulegen/engine/nodes.h"
#include "rulegen/engine/sinks.h"

namespace tessaly {

class CodeClassImpl;

// The most characters a code holds (the longest text a database text column takes).
inline constexpr qint64 kMaxCodeLength = 255;

class BandImpl final : public com::Object<IBand>, private INamesEvents {
public:
    BandImpl();
    ~BandImpl() override;

    BandStyles Style() override { return m_style; }
    void setStyle(BandStyles v) override;
    QString Formate() override { return m_formate; }
    void setFormate(const QString& v) override;
    QString Value() override;
    void setValue(const QString& v) override;
    qint32 Length() override { return m_length; }
    void setLength(qint32 v) override;
    QString Name() override { return m_name; }
    void setName(const QString& v) override;
    QString Default() override { return m_default; }
    void setDefault(const QString& v) override;
    IncrModes IncrMode() override { return m_incrMode; }
    void setIncrMode(IncrModes v) override;
    QDateTime DateUpdated() override { return m_dateUpdated; }
    void setDateUpdated(const QDateTime& v) override { m_dateUpdated = v; }
    SwapModes SwapMode() override { return m_swapMode; }
    void setSwapMode(SwapModes v) override;
    QString InitStart() override { return m_initStart; }
    void setInitStart(const QString& v) override;
    QString InitEnd() override { return m_initEnd; }
    void setInitEnd(const QString& v) override;
    com::ComPtr<INames> TrackBands() override;
    com::ComPtr<ICNodes> Relations() override;
    com::ComPtr<ILists> DataFields() override;
    com::ComPtr<IBand> TrigerBand() override;
    void setTrigerBand(IBand* v) override;
    com::ComPtr<IList> DataField() override;
    void setDataField(IList* v) override;
    qint32 Index() override;
    bool AllowDroped() override { return m_allowDroped; }
    void setAllowDroped(bool v) override { m_allowDroped = v; }
    bool AllowModified() override { return m_allowModified; }
    void setAllowModified(bool v) override { m_allowModified = v; }
    void advise(IBandEvents* sink) override { m_sinks.add(sink); }
    void unadvise(IBandEvents* sink) override { m_sinks.remove(sink); }

    // Library-internal.
    CodeClassImpl* parent() const { return lockHandle(m_parent); }
    void setParent(CodeClassImpl* rule);
    // What is held, without creating anything on the way.
    NamesImpl* heldTrackBands() const { return m_trackBands.get(); }
    IList* heldDataField() const { return m_dataField.get(); }
    IBand* heldTrigerBand() const { return m_trigerBand.get(); }
    NodesImpl* heldRelations() const { return m_relations.get(); }
    bool isCounter() const { return m_style == bsIncreaseNumber || m_style == bsIncreaseAlpha; }
    bool isBound() const { return m_style == bsUsrMacro || m_style == bsUsrField; }
    // The current value as stored (fixed bands: the default).
    const QString& valueRef() const { return m_style == bsFixed ? m_default : m_value; }
    // The value let without the checks that GetCode has already made (digits of a counter).
    ListsImpl* dataFieldsImpl() const;
    // A decoded segment, kept as it stands in the code (checked, not re-formatted).
    void setSegment(const QString& s);
    // Drops the references to other bands (the rule does it when it goes).
    void dropTrigger() { m_trigerBand = nullptr; }

private:
    void BeforeAdd(const QString& Name, bool& Cancel, QString& Description) override;
    void CheckBoundValue(QString& field, const QString& v, bool allowEmpty);
    void requireStyle() const;
    // Whether a length leaves the code of the band's rule within kMaxCodeLength.
    bool fitsCode(qint64 length) const;

    QString m_name;
    BandStyles m_style = bsUndefined;
    qint32 m_length = 1;
    QString m_value, m_formate, m_default;
    IncrModes m_incrMode = imNever;
    QDateTime m_dateUpdated;
    SwapModes m_swapMode = smNoneSwap;
    QString m_initStart, m_initEnd;
    com::ComPtr<NamesImpl> m_trackBands;
    com::ComPtr<NodesImpl> m_relations;
    com::ComPtr<IList> m_dataField;
    com::ComPtr<IBand> m_trigerBand;
    bool m_allowDroped = true, m_allowModified = true;
    std::weak_ptr<CodeClassImpl*> m_parent;
    Sinks<IBandEvents> m_sinks;
};

} // namespace tessaly
