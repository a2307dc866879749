#pragma once
// Public interface of the code-rule library Tessaly.
//
// A host creates a CodeClass by class identifier (com::createObject<ICodeClass>(CLSID_CodeClass))
// and reaches every other object through it. Failures are raised as vb::Error (number,
// description). Events reach the host through sink interfaces that it implements and attaches
// with advise(); several sinks may listen at once, they are called synchronously in the order
// attached, and a sink must be detached (unadvise) before it goes away. Arguments passed by
// reference (Cancel, Description, Value, ...) are the sink's answer.
//
// Index-or-key arguments are QVariants: a number is a 1-based position, a text is a key
// (compared ignoring letter case), an invalid QVariant means "not given".
#include "shared/com/com.h"
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QUuid>
#include <QVariant>

namespace tessaly {

enum BandStyles : qint32 {
    bsUndefined = -1, bsFixed = 0, bsUsrMacro = 1, bsUsrField = 2, bsIncreaseNumber = 3, bsIncreaseAlpha = 4,
    bsUbound = 5
};
enum SwapModes : qint32 { smNoneSwap = 0, smSimpleSwap = 1, smLayersSwap = 2, smUbound = 3 };
enum IncrModes : qint32 { imNever = 0, imIncrAuto = 1, imTrigered = 2, imUbound = 3 };
enum WeekDays : qint32 {
    wdUseSystem = 0, wdSunday = 1, wdMonday = 2, wdTuesday = 3, wdWednesday = 4, wdThursday = 5, wdFriday = 6,
    wdSaturday = 7
};
enum CodeStyles : qint32 { csNormal = 0, csSimple = 1 };
enum GetStyles : qint32 { gsCurrent = 0, gsNewCode = 1 };
enum ApplyModes : qint32 { amOverAgain = 0, amSuccessive = 1 };
enum SaveOptions : qint32 { soDefault = 0, soNoPrompt = 2, soSaveEnsured = 4 };
enum tvwRelationships : qint32 { tvwFirst = 0, tvwLast = 1, tvwNext = 2, tvwPrevious = 3, tvwChild = 4, tvwUbound = 5 };
enum tvwStyles : qint32 { tsNormal = 0, tsSimplified = 1, tsUbound = 2 };
enum ConvStyles : qint32 { csCodeToValue = 0, csValueToCode = 1 };
enum ListStyles : qint32 { lsMulriple = 0, lsMacros = 1, lsFields = 2, lsLayers = 3, lsUbound = 4 };

// Class identifiers of the creatable classes (Lists is reached only through CodeClass).
inline constexpr QUuid CLSID_CodeClass{0x678E7828, 0x48A2, 0x11D6, 0xBB, 0x97, 0x00, 0x10, 0xB5, 0x66, 0x94, 0x9E};
inline constexpr QUuid CLSID_Band{0x678E7822, 0x48A2, 0x11D6, 0xBB, 0x97, 0x00, 0x10, 0xB5, 0x66, 0x94, 0x9E};
inline constexpr QUuid CLSID_cNodes{0x678E781C, 0x48A2, 0x11D6, 0xBB, 0x97, 0x00, 0x10, 0xB5, 0x66, 0x94, 0x9E};
inline constexpr QUuid CLSID_cNode{0x678E781A, 0x48A2, 0x11D6, 0xBB, 0x97, 0x00, 0x10, 0xB5, 0x66, 0x94, 0x9E};
inline constexpr QUuid CLSID_List{0x678E7818, 0x48A2, 0x11D6, 0xBB, 0x97, 0x00, 0x10, 0xB5, 0x66, 0x94, 0x9E};
inline constexpr QUuid CLSID_Names{0x678E7811, 0x48A2, 0x11D6, 0xBB, 0x97, 0x00, 0x10, 0xB5, 0x66, 0x94, 0x9E};

struct IBand;
struct ICNodes;
struct ICNode;
struct IList;
struct ILists;
struct INames;
struct ICodeClass;

// ---------------------------------------------------------------- named lists

// One named item: name, display name, value, description.
struct IList : com::IUnknown {
    COM_INTERFACE_ID("{678E7817-48A2-11D6-BB97-0010B566949E}")
    virtual QString Name() = 0;
    virtual void setName(const QString& v) = 0;         // once; trimmed; 2001 / 2003
    virtual QString Value() = 0;
    virtual void setValue(const QString& v) = 0;
    virtual QVariant Description() = 0;
    virtual void setDescription(const QVariant& v) = 0;
    virtual QString ForeignName() = 0;
    virtual void setForeignName(const QString& v) = 0;  // trimmed; 2003 when empty
    virtual ListStyles Style() = 0;
protected:
    ~IList() = default;
};

struct IListsEvents {
    COM_INTERFACE_ID("{678E7816-48A2-11D6-BB97-0010B566949E}")
    virtual void CollectionChanged() {}
    virtual void BeforeRemove(QString& Name, bool& Cancel, QString& Description) {}
    virtual void BeforeAdd(QString& Name, bool& Cancel, QString& Description, qint32& Index) {}
protected:
    ~IListsEvents() = default;
};

// An ordered collection of items, keyed by name (unless its style is lsMulriple).
struct ILists : com::IUnknown {
    COM_INTERFACE_ID("{678E7813-48A2-11D6-BB97-0010B566949E}")
    virtual com::ComPtr<IList> Add(const QString& Name, const QString& ForeignName = QString(),
                                   const QString& Value = QString(), const QString& Description = QString()) = 0;
    virtual com::ComPtr<IList> Item(const QVariant& vntIndexKey) = 0;
    virtual qint32 Count() = 0;
    virtual void Remove(const QVariant& vntIndexKey) = 0;
    virtual QList<com::ComPtr<IList>> NewEnum() = 0;
    virtual void advise(IListsEvents* sink) = 0;
    virtual void unadvise(IListsEvents* sink) = 0;
protected:
    ~ILists() = default;
};

struct INamesEvents {
    COM_INTERFACE_ID("{678E7812-48A2-11D6-BB97-0010B566949E}")
    virtual void GetEnums(QString& Enums) {}
    virtual void BeforeAdd(const QString& Name, bool& Cancel, QString& Description) {}
protected:
    ~INamesEvents() = default;
};

// An ordered set of texts keyed by themselves.
struct INames : com::IUnknown {
    COM_INTERFACE_ID("{678E7810-48A2-11D6-BB97-0010B566949E}")
    virtual QString Add(const QString& Value) = 0;
    virtual QString Item(const QVariant& vntIndexKey) = 0;
    virtual qint32 Count() = 0;
    virtual void Remove(const QVariant& vntIndexKey) = 0;
    virtual QStringList NewEnum() = 0;
    virtual void ImportNames(const QString& Definitions) = 0;
    virtual void advise(INamesEvents* sink) = 0;
    virtual void unadvise(INamesEvents* sink) = 0;
protected:
    ~INames() = default;
};

// ---------------------------------------------------------------- relation tree

// One relation: a code (Text) and its value (Tag).
struct ICNode : com::IUnknown {
    COM_INTERFACE_ID("{678E7819-48A2-11D6-BB97-0010B566949E}")
    virtual com::ComPtr<ICNode> LastSibling() = 0;
    virtual com::ComPtr<ICNode> FirstSibling() = 0;
    virtual com::ComPtr<ICNode> Child() = 0;
    virtual com::ComPtr<ICNode> Root() = 0;
    virtual com::ComPtr<ICNode> Parent() = 0;
    virtual qint32 Children() = 0;
    virtual QString Key() = 0;
    virtual com::ComPtr<ICNode> Previous() = 0;
    virtual com::ComPtr<ICNode> Nexts() = 0;
    virtual qint32 Index() = 0;
    virtual qint32 Layer() = 0;
    virtual QString Text() = 0;
    virtual void setText(const QString& v) = 0;   // 2029 when a sibling has it
    virtual QString Tag() = 0;
    virtual void setTag(const QString& v) = 0;    // 2030 when a sibling has it
protected:
    ~ICNode() = default;
};

struct ICNodesEvents {
    COM_INTERFACE_ID("{678E7820-48A2-11D6-BB97-0010B566949E}")
    virtual void NodesChanged(const QString& vParentKey, const QString& vHotKey) {}
protected:
    ~ICNodesEvents() = default;
};

// A layered tree of relations, used to convert values to codes and back.
struct ICNodes : com::IUnknown {
    COM_INTERFACE_ID("{678E781B-48A2-11D6-BB97-0010B566949E}")
    virtual com::ComPtr<ICNode> Add(const QVariant& Relative = QVariant(), tvwRelationships Relationship = tvwNext,
                                    const QString& Text = QString(), const QString& Tag = QString()) = 0;
    virtual com::ComPtr<ICNode> Node(const QVariant& vntIndexKey) = 0;
    virtual qint32 Count() = 0;
    virtual void Remove(const QVariant& vntIndexKey) = 0;
    virtual QList<com::ComPtr<ICNode>> NewEnum() = 0;
    virtual void Drag(const QVariant& Relative, tvwRelationships Relationship, const QVariant& vntIndexKey) = 0;
    virtual void Cls() = 0;
    virtual tvwStyles Style() = 0;
    // Replaces Value by the matching node's Tag (csCodeToValue) or Text (csValueToCode) within
    // the top layer, or within the children of the node vntIndexKey; returns the node's key.
    virtual QString Conversion(ConvStyles ConvStyle, QString& Value, const QVariant& vntIndexKey = QVariant()) = 0;
    virtual void RemoveItem(const QVariant& vntIndexKey) = 0;
    virtual void advise(ICNodesEvents* sink) = 0;
    virtual void unadvise(ICNodesEvents* sink) = 0;
protected:
    ~ICNodes() = default;
};

// ---------------------------------------------------------------- band

struct IBandEvents {
    COM_INTERFACE_ID("{678E7826-48A2-11D6-BB97-0010B566949E}")
    virtual void RelationsChanged(qint32 Index) {}
protected:
    ~IBandEvents() = default;
};

// One segment of a code.
struct IBand : com::IUnknown {
    COM_INTERFACE_ID("{678E7821-48A2-11D6-BB97-0010B566949E}")
    virtual BandStyles Style() = 0;
    virtual void setStyle(BandStyles v) = 0;
    virtual QString Formate() = 0;
    virtual void setFormate(const QString& v) = 0;
    virtual QString Value() = 0;
    virtual void setValue(const QString& v) = 0;
    virtual qint32 Length() = 0;
    virtual void setLength(qint32 v) = 0;
    virtual QString Name() = 0;
    virtual void setName(const QString& v) = 0;
    virtual QString Default() = 0;
    virtual void setDefault(const QString& v) = 0;
    virtual IncrModes IncrMode() = 0;
    virtual void setIncrMode(IncrModes v) = 0;
    virtual QDateTime DateUpdated() = 0;
    virtual void setDateUpdated(const QDateTime& v) = 0;
    virtual SwapModes SwapMode() = 0;
    virtual void setSwapMode(SwapModes v) = 0;
    virtual QString InitStart() = 0;
    virtual void setInitStart(const QString& v) = 0;
    virtual QString InitEnd() = 0;
    virtual void setInitEnd(const QString& v) = 0;
    virtual com::ComPtr<INames> TrackBands() = 0;   // counters only; created on first read
    // smSimpleSwap: the band's own one-layer tree; smLayersSwap: the rule's tree; else none.
    virtual com::ComPtr<ICNodes> Relations() = 0;
    virtual com::ComPtr<ILists> DataFields() = 0;   // the rule's UsrMacros or UsrFields
    virtual com::ComPtr<IBand> TrigerBand() = 0;
    virtual void setTrigerBand(IBand* v) = 0;
    virtual com::ComPtr<IList> DataField() = 0;
    virtual void setDataField(IList* v) = 0;
    virtual qint32 Index() = 0;
    virtual bool AllowDroped() = 0;
    virtual void setAllowDroped(bool v) = 0;
    virtual bool AllowModified() = 0;
    virtual void setAllowModified(bool v) = 0;
    virtual void advise(IBandEvents* sink) = 0;
    virtual void unadvise(IBandEvents* sink) = 0;
protected:
    ~IBand() = default;
};

// ---------------------------------------------------------------- code rule

struct ICodeClassEvents {
    COM_INTERFACE_ID("{678E7829-48A2-11D6-BB97-0010B566949E}")
    virtual void Save(QString& Value, bool& bChieved) {}
    virtual void Load(QString& Value, bool& bChieved) {}
    virtual void FieldsChanged() {}
    virtual void BandsChanged() {}
    virtual void AddField(const QString& Name) {}
    virtual void DropField(const QString& Name) {}
    virtual void BeforeDropField(const QString& Name, bool& Cancel, QString& Description) {}
    virtual void BeforeDropBand(const QString& Name, bool& Cancel, QString& Description) {}
    virtual void LayeredBandsChanged() {}
    virtual void RelationsChanged() {}
    // The greatest code issued so far that matches Filter ("?" = any one character); empty when none.
    virtual void GetLastCode(QString& Filter, QString& Value) {}
    // The stored definition text of the rule Name; empty when none.
    virtual void GetSettings(const QString& Name, QString& Value) {}
protected:
    ~ICodeClassEvents() = default;
};

// A code rule: an ordered, named collection of bands with its lists, relation tree and options.
struct ICodeClass : com::IUnknown {
    COM_INTERFACE_ID("{678E7827-48A2-11D6-BB97-0010B566949E}")
    virtual com::ComPtr<IBand> Add(const QString& Name, BandStyles Style = bsIncreaseNumber,
                                   SwapModes SwapMode = smNoneSwap, const QString& Default = QString(),
                                   IList* DataField = nullptr, qint32 Length = 1, const QString& Formate = QString(),
                                   const QVariant& Before = QVariant(), const QVariant& After = QVariant()) = 0;
    virtual com::ComPtr<IBand> Band(const QVariant& vntIndexKey) = 0;
    virtual qint32 Count() = 0;
    virtual void Remove(const QVariant& vntIndexKey) = 0;
    virtual QList<com::ComPtr<IBand>> NewEnum() = 0;
    virtual void Drag(const QVariant& vntIndexKey, const QVariant& Before = QVariant(),
                      const QVariant& After = QVariant()) = 0;
    virtual com::ComPtr<ICNodes> Relations() = 0;
    virtual void Cls() = 0;
    virtual void Save(qint32 Options = soDefault) = 0;
    virtual com::ComPtr<ILists> UsrFields() = 0;
    // Opens the designer; returns when the user closes it. Never raises.
    virtual void ShowDesigner(const QString& sTitle = QString(), bool AllowSetup = true) = 0;
    virtual com::ComPtr<ILists> UsrMacros() = 0;
    virtual QString Value() = 0;
    virtual void setValue(const QString& v) = 0;
    virtual qint32 SeparaOfYear() = 0;
    virtual void setSeparaOfYear(qint32 v) = 0;
    virtual qint32 SeparaOfMonth() = 0;
    virtual void setSeparaOfMonth(qint32 v) = 0;
    virtual WeekDays SeparaOfWeek() = 0;
    virtual void setSeparaOfWeek(WeekDays v) = 0;
    virtual QTime SeparaOfDay() = 0;
    virtual void setSeparaOfDay(const QTime& v) = 0;
    virtual com::ComPtr<ILists> UsedFields() = 0;
    virtual void ShowFieldManage(const QString& sTitle = QString()) = 0;
    virtual bool AllowFieldManage() = 0;
    virtual void setAllowFieldManage(bool v) = 0;
    virtual bool AllowDropBand() = 0;
    virtual void setAllowDropBand(bool v) = 0;
    virtual bool AllowAddBand() = 0;
    virtual void setAllowAddBand(bool v) = 0;
    virtual QString Name() = 0;
    virtual void setName(const QString& v) = 0;
    virtual void ShowOptions(const QString& sTitle = QString()) = 0;
    virtual bool AllowSimpleStyle() = 0;
    virtual void setAllowSimpleStyle(bool v) = 0;
    virtual void setAllowSetup(bool v) = 0;
    virtual com::ComPtr<ILists> LayeredBands() = 0;
    virtual CodeStyles Style() = 0;
    virtual void setStyle(CodeStyles v) = 0;
    virtual ApplyModes ApplyMode() = 0;
    virtual void setApplyMode(ApplyModes v) = 0;
    virtual bool CodeUCased() = 0;
    virtual void setCodeUCased(bool v) = 0;
    // Rebuilds the rule from its definition text; an empty text leaves an empty rule. Raises
    // nothing: what a member refuses is skipped and reading goes on (keys in any order, a band
    // block not closed is left out, a list is read up to an item it refuses). A text that
    // cannot be read at all (a key line that is no number, bands longer together than a code
    // can hold) leaves the rule as it was and gives false.
    virtual bool Load(const QVariant& Definitions = QVariant(), const QString& Values = QString()) = 0;
    virtual QString GetCode(GetStyles Style = gsNewCode) = 0;
    virtual void ExpCode(const QString& Code) = 0;
    virtual QString Definition() = 0;
    virtual qint32 Length() = 0;
    virtual void advise(ICodeClassEvents* sink) = 0;
    virtual void unadvise(ICodeClassEvents* sink) = 0;
protected:
    ~ICodeClass() = default;
};

} // namespace tessaly
