// Numbering speed: codes from a six-band rule, the last code answered from memory.
#include "rulegen/engine/codeclass.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

using namespace tessaly;

namespace {

// Remembers the last code issued and answers the rule's question from it.
struct MemoryHost : ICodeClassEvents {
    QString last;
    void GetLastCode(QString& Filter, QString& Value) override
    {
        if (last.size() != Filter.size())
            return;
        for (int i = 0; i < Filter.size(); ++i)
            if (Filter.at(i) != QLatin1Char('?') && Filter.at(i) != last.at(i))
                return;
        Value = last;
    }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    com::ComPtr<ICodeClass> rule = com::make<CodeClassImpl>();
    com::ComPtr<IList> cls = rule->UsrFields()->Add(QStringLiteral("设备大类"), QString(), QStringLiteral("仪器"));
    com::ComPtr<IList> sub = rule->UsrFields()->Add(QStringLiteral("设备属类"), QString(), QStringLiteral("光学"));
    com::ComPtr<IList> year = rule->UsrFields()->Add(QStringLiteral("购置年代"), QString(),
                                                     QStringLiteral("2003-05-06 10:30"));
    com::ComPtr<IList> grp = rule->UsrFields()->Add(QStringLiteral("设备组别"), QString(), QStringLiteral("7"));
    rule->Add(QStringLiteral("Head"), bsFixed, smNoneSwap, QStringLiteral("SB-"));
    rule->Add(QStringLiteral("Class"), bsUsrField, smLayersSwap, QString(), cls.get(), 1);
    rule->Add(QStringLiteral("Sub"), bsUsrField, smLayersSwap, QString(), sub.get(), 1);
    rule->Add(QStringLiteral("Year"), bsUsrField, smNoneSwap, QString(), year.get(), 2, QStringLiteral("yy"));
    rule->Add(QStringLiteral("Group"), bsUsrField, smNoneSwap, QString(), grp.get(), 2, QStringLiteral("00"));
    com::ComPtr<IBand> no =
        rule->Add(QStringLiteral("No"), bsIncreaseNumber, smNoneSwap, QString(), nullptr, 6, QStringLiteral("000000"));
    no->TrackBands()->Add(QStringLiteral("Class"));
    no->TrackBands()->Add(QStringLiteral("Sub"));
    no->TrackBands()->Add(QStringLiteral("Year"));
    com::ComPtr<ICNodes> tree = rule->Relations();
    const char* classes[] = {"仪器", "工具", "车辆", "家具", "电脑", "通信"};
    const char* subs[] = {"光学", "电子", "机械", "手动", "其他"};
    for (int i = 0; i < 6; ++i) {
        com::ComPtr<ICNode> n = tree->Add(QVariant(), tvwNext, QString(QChar('A' + i)), QString::fromUtf8(classes[i]));
        for (int j = 0; j < 5; ++j)
            tree->Add(n->Key(), tvwChild, QString::number(j + 1), QString::fromUtf8(subs[j]));
    }

    MemoryHost host;
    rule->advise(&host);
    const int n = 100000;
    QString code;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < n; ++i) {
        code = rule->GetCode(gsNewCode);
        host.last = code;
    }
    const double us = double(timer.nsecsElapsed()) / 1000.0 / n;
    rule->unadvise(&host);
    std::printf("last code: %s\n", code.toUtf8().constData());
    std::printf("microseconds per code: %.2f\n", us);
    return 0;
}
