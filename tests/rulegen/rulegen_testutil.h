#pragma once
// Helpers of the code-rule engine's tests.
#include <gtest/gtest.h>
#include "platform/core/msgbox.h"
#include "platform/core/vberror.h"
#include "rulegen/engine/codeclass.h"
#include "rulegen/engine/strings.h"
#include "rulegen/include/tessaly.h"
#include "platform/ui/modal.h"
#include "shared/com/create.h"
#include "shared/res/strings.h"
#include "tests/common/raised.h"
#include "tests/common/testutil.h"
#include <QDialog>
#include <functional>

namespace rt {

using namespace tessaly;

constexpr int E(int n) { return vb::componentError(n); }

using testutil::errorOf;

#define EXPECT_VBERROR(stmt, num) EXPECT_EQ(rt::errorOf([&] { stmt; }).number(), (num))

inline com::ComPtr<ICodeClass> newRule() { return com::make<CodeClassImpl>(); }
inline CodeClassImpl* impl(const com::ComPtr<ICodeClass>& r) { return static_cast<CodeClassImpl*>(r.get()); }

// English texts and a clean message-box script for every test.
class Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        res::setUserLanguage(1033);
        ui::script::clear();
    }
};

// ... with a fresh rule r.
class RuleTest : public Test {
protected:
    com::ComPtr<ICodeClass> r = newRule();
};

// Records the events of a rule while it lives; answers GetLastCode, GetSettings and Save from memory.
struct RuleRecorder : ICodeClassEvents {
    ICodeClass* rule = nullptr;
    RuleRecorder() = default;
    explicit RuleRecorder(const com::ComPtr<ICodeClass>& r) : rule(r.get()) { rule->advise(this); }
    ~RuleRecorder()
    {
        if (rule)
            rule->unadvise(this);
    }
    QStringList events;
    QString lastCode, stored;
    QStringList filters;
    bool achieve = true;
    bool cancelDrop = false;
    std::function<void()> onBandsChanged;
    void Save(QString& Value, bool& bChieved) override
    {
        events << QStringLiteral("Save");
        if (achieve) {
            stored = Value;
            bChieved = true;
        }
    }
    void FieldsChanged() override { events << QStringLiteral("FieldsChanged"); }
    void BandsChanged() override
    {
        events << QStringLiteral("BandsChanged");
        if (onBandsChanged)
            onBandsChanged();
    }
    void AddField(const QString& Name) override { events << QStringLiteral("AddField:") + Name; }
    void BeforeDropBand(const QString& Name, bool& Cancel, QString&) override
    {
        events << QStringLiteral("BeforeDropBand:") + Name;
        Cancel = cancelDrop;
    }
    void LayeredBandsChanged() override { events << QStringLiteral("LayeredBandsChanged"); }
    void GetLastCode(QString& Filter, QString& Value) override
    {
        filters << Filter;
        Value = lastCode;
    }
    void GetSettings(const QString&, QString& Value) override
    {
        events << QStringLiteral("GetSettings");
        Value = stored;
    }
};

// A rule made by class identifier (the designer windows of the built library), in the
// library's own language, which follows the system.
class LibraryRuleTest : public ::testing::Test {
protected:
    LibraryRuleTest()
    {
        res::setUserLanguage(0);
        ui::script::clear();
        folder.registerComponents();
        r = com::createObject<ICodeClass>(CLSID_CodeClass);
    }
    testutil::ProgramFolder folder;
    com::ComPtr<ICodeClass> r;
};

// Drives every dialog shown modally while it lives; counts them.
struct ModalDriver {
    int shown = 0;
    explicit ModalDriver(std::function<void(QDialog*)> drive)
    {
        ui::setModalHook([this, drive](QDialog* d) {
            ++shown;
            drive(d);
        });
    }
    ~ModalDriver() { ui::setModalHook(nullptr); }
};

template <class W>
W* child(QWidget* w, const char* name)
{
    W* c = w->findChild<W*>(QLatin1String(name));
    if (!c)
        ADD_FAILURE() << "no control " << name;
    return c;
}

// The prompts shown since the last clear.
inline QStringList prompts()
{
    QStringList p;
    for (const auto& b : ui::script::shown())
        p << b.prompt;
    return p;
}

} // namespace rt

// Readable QString values in failure messages.
inline void PrintTo(const QString& s, std::ostream* os)
{
    QString v = s;
    v.replace(QChar(13), QStringLiteral("\\r"));
    *os << '"' << v.toStdString() << '"';
}
