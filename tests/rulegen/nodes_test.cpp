#include "tests/rulegen/rulegen_testutil.h"
#include "rulegen/engine/nodes.h"

namespace {

using namespace rt;

struct NodeRecorder : ICNodesEvents {
    QStringList events;
    void NodesChanged(const QString& p, const QString& h) override { events << p + QLatin1Char('/') + h; }
};

// N1 (A, Fixed), N2 (B, Macro), N1's child N3 (1, Layer)
com::ComPtr<NodesImpl> example()
{
    auto t = com::make<NodesImpl>();
    t->Add(QVariant(), tvwNext, QStringLiteral("A"), QStringLiteral("Fixed"));
    t->Add(QVariant(), tvwNext, QStringLiteral("B"), QStringLiteral("Macro"));
    t->Add(QStringLiteral("N1"), tvwChild, QStringLiteral("1"), QStringLiteral("Layer"));
    return t;
}

class Nodes : public rt::Test {
protected:
    com::ComPtr<NodesImpl> t = example();
};

TEST_F(Nodes, SiblingsMayNotShareCodeOrValueIgnoringCase)
{
    EXPECT_VBERROR(t->Add(QVariant(), tvwNext, QStringLiteral("a"), QStringLiteral("x")), E(2029));
    EXPECT_VBERROR(t->Add(QVariant(), tvwNext, QStringLiteral("C"), QStringLiteral("FIXED")), E(2030));
    // the same code in another layer or under another parent is fine
    t->Add(QStringLiteral("N3"), tvwNext, QStringLiteral("A"), QStringLiteral("Fixed"));
    t->Add(QStringLiteral("N2"), tvwChild, QStringLiteral("1"), QStringLiteral("Layer"));
    EXPECT_EQ(t->Count(), 5);
    com::ComPtr<ICNode> b = t->Node(QStringLiteral("n2"));
    EXPECT_VBERROR(b->setText(QStringLiteral("a")), E(2029));
    EXPECT_VBERROR(b->setTag(QStringLiteral("fixed")), E(2030));
    EXPECT_EQ(b->Text(), QStringLiteral("B"));
    b->setText(QStringLiteral("b")); // its own code in other letters
    EXPECT_EQ(b->Text(), QStringLiteral("b"));
}

TEST_F(Nodes, CodeAndValueTogetherChangeBothOrNeither)
{
    NodeRecorder rec;
    t->advise(&rec);
    auto* b = static_cast<NodeImpl*>(t->Node(QStringLiteral("N2")).get());
    const struct {
        const char* code;
        const char* value;
        int error;
    } refused[] = {
        {"C", "fixed", 2030}, // the value of a sibling, in other letters
        {"a", "New", 2029},   // the code of a sibling
        {"C", "x;y", 2003},   // the relation text cannot hold it
        {"C,D", "New", 2003},
    };
    for (const auto& r : refused) {
        EXPECT_VBERROR(b->setTextAndTag(QString::fromLatin1(r.code), QString::fromLatin1(r.value)), E(r.error))
            << r.code << " " << r.value;
        EXPECT_EQ(b->Text(), QStringLiteral("B"));
        EXPECT_EQ(b->Tag(), QStringLiteral("Macro"));
    }
    EXPECT_TRUE(rec.events.isEmpty());
    b->setTextAndTag(QStringLiteral("C"), QStringLiteral("macro"));
    EXPECT_EQ(b->Text(), QStringLiteral("C"));
    EXPECT_EQ(b->Tag(), QStringLiteral("macro"));
    EXPECT_EQ(rec.events, (QStringList{QStringLiteral("/N2"), QStringLiteral("/N2")}));
    t->unadvise(&rec);
}

TEST_F(Nodes, NavigationFollowsParentsInStorageOrder)
{
    com::ComPtr<ICNode> n1 = t->Node(QStringLiteral("N1")), n2 = t->Node(2), n3 = t->Node(QStringLiteral("N3"));
    EXPECT_EQ(n1->Nexts(), n2);
    EXPECT_FALSE(n2->Nexts());
    EXPECT_FALSE(n1->Previous());
    EXPECT_EQ(n2->FirstSibling(), n1);
    EXPECT_EQ(n1->LastSibling(), n2);
    EXPECT_EQ(n1->Child(), n3);
    EXPECT_FALSE(n2->Child());
    EXPECT_EQ(n3->Root(), n1);
    EXPECT_EQ(n3->Layer(), 1);
    EXPECT_EQ(n1->Children(), 1);
    EXPECT_EQ(n3->Index(), 3);
    t->Add(QStringLiteral("N3"), tvwChild, QStringLiteral("x"), QStringLiteral("y"));
    EXPECT_EQ(n1->Children(), 2);
    // placements before and first among siblings
    com::ComPtr<ICNode> z = t->Add(QStringLiteral("N2"), tvwFirst, QStringLiteral("Z"), QStringLiteral("Zero"));
    EXPECT_EQ(z->Index(), 1);
    EXPECT_EQ(n1->Previous(), z);
    com::ComPtr<ICNode> y = t->Add(QStringLiteral("N2"), tvwPrevious, QStringLiteral("Y"), QStringLiteral("Why"));
    EXPECT_EQ(y->Nexts(), n2);
    EXPECT_VBERROR(t->Add(QStringLiteral("N2"), tvwRelationships(7), QStringLiteral("Q"), QStringLiteral("q")),
                   E(2003));
}

TEST_F(Nodes, RemoveTakesTheSubtreeAndRaisesOnceAndKeysRestartWhenEmpty)
{
    t->Add(QStringLiteral("N1"), tvwChild, QStringLiteral("2"), QStringLiteral("Two"));
    t->Add(QStringLiteral("N3"), tvwChild, QStringLiteral("g"), QStringLiteral("Grand"));
    NodeRecorder rec;
    t->advise(&rec);
    t->Remove(QStringLiteral("N1"));
    EXPECT_EQ(t->Count(), 1);
    EXPECT_EQ(rec.events, QStringList{QStringLiteral("/")});
    t->unadvise(&rec);
    t->Remove(1);
    EXPECT_EQ(t->Add(QVariant(), tvwNext, QStringLiteral("A"), QStringLiteral("1"))->Key(), QStringLiteral("N1"));
    // a refused node still takes its key
    EXPECT_VBERROR(t->Add(QVariant(), tvwNext, QStringLiteral("A"), QStringLiteral("2")), E(2029));
    EXPECT_EQ(t->Add(QVariant(), tvwNext, QStringLiteral("B"), QStringLiteral("2"))->Key(), QStringLiteral("N3"));
}

TEST_F(Nodes, ConversionLooksWithinOneLayer)
{
    QString v = QStringLiteral("FIXED");
    EXPECT_EQ(t->Conversion(csValueToCode, v), QStringLiteral("N1"));
    EXPECT_EQ(v, QStringLiteral("A"));
    v = QStringLiteral("layer");
    EXPECT_EQ(t->Conversion(csValueToCode, v, QStringLiteral("N1")), QStringLiteral("N3"));
    EXPECT_EQ(v, QStringLiteral("1"));
    v = QStringLiteral("layer");
    EXPECT_VBERROR(t->Conversion(csValueToCode, v, QStringLiteral("N2")), E(2034));
    EXPECT_EQ(v, QStringLiteral("layer"));
    v = QStringLiteral("b");
    t->Conversion(csCodeToValue, v);
    EXPECT_EQ(v, QStringLiteral("Macro"));
    v.clear();
    EXPECT_VBERROR(t->Conversion(csCodeToValue, v), E(2003));
    v = QStringLiteral("x");
    EXPECT_VBERROR(com::make<NodesImpl>()->Conversion(csCodeToValue, v), E(2033));
}

TEST_F(Nodes, SimplifiedTreesHaveOneLayerAndStyleIsSetWhileEmpty)
{
    t = com::make<NodesImpl>();
    t->SetTreeStyle(tsSimplified);
    t->Add(QVariant(), tvwNext, QStringLiteral("A"), QStringLiteral("a"));
    EXPECT_VBERROR(t->Add(1, tvwChild, QStringLiteral("B"), QStringLiteral("b")), E(2003));
    EXPECT_EQ(t->Count(), 1);
    EXPECT_VBERROR(t->SetTreeStyle(tsNormal), E(2001));
}

TEST_F(Nodes, DragRefusesMovingANodeBelowItselfAndKeepsIt)
{
    t->Add(QStringLiteral("N3"), tvwChild, QStringLiteral("g"), QStringLiteral("Grand")); // N4
    EXPECT_VBERROR(t->Drag(QStringLiteral("N3"), tvwChild, QStringLiteral("N1")), E(2008));
    EXPECT_VBERROR(t->Drag(QStringLiteral("N4"), tvwNext, QStringLiteral("N1")), E(2008));
    EXPECT_EQ(t->Count(), 4);
    EXPECT_EQ(t->Node(QStringLiteral("N1"))->Index(), 1);
    EXPECT_FALSE(t->Node(QStringLiteral("N1"))->Parent());
    // a refused placement (duplicate code) leaves the node where it was
    t->Add(QStringLiteral("N2"), tvwChild, QStringLiteral("1"), QStringLiteral("Other")); // N5 under N2
    EXPECT_VBERROR(t->Drag(QStringLiteral("N5"), tvwNext, QStringLiteral("N3")), E(2029));
    EXPECT_EQ(t->Node(QStringLiteral("N3"))->Parent()->Key(), QStringLiteral("N1"));
    EXPECT_EQ(t->Node(QStringLiteral("N3"))->Index(), 3);
    // a real move: N2 becomes first; its key, code and value stay
    t->Drag(QStringLiteral("N1"), tvwPrevious, QStringLiteral("N2"));
    EXPECT_EQ(t->Node(1)->Key(), QStringLiteral("N2"));
    EXPECT_EQ(t->Node(QStringLiteral("N2"))->Text(), QStringLiteral("B"));
}

TEST_F(Nodes, RelationTextRoundTripsEvenAfterAMove)
{
    EXPECT_EQ(t->RelationsText(), QStringLiteral("3;,1,A,Fixed;,2,B,Macro;1,3,1,Layer"));
    // move a parent behind its child: the text still reads back
    t->Add(QVariant(), tvwNext, QStringLiteral("C"), QStringLiteral("c")); // N4, stored after N3
    t->Drag(QStringLiteral("N4"), tvwNext, QStringLiteral("N1"));
    const QString moved = t->RelationsText();
    EXPECT_EQ(moved, QStringLiteral("4;,2,B,Macro;1,3,1,Layer;,4,C,c;,1,A,Fixed"));
    auto u = com::make<NodesImpl>();
    u->LoadRelationsText(moved);
    EXPECT_EQ(u->RelationsText(), moved);
    EXPECT_EQ(u->Node(QStringLiteral("N3"))->Parent()->Key(), QStringLiteral("N1"));
    EXPECT_EQ(u->Add(QVariant(), tvwNext, QStringLiteral("D"), QStringLiteral("d"))->Key(), QStringLiteral("N5"));
    // an empty text keeps the nodes; a broken one is refused whole
    u->LoadRelationsText(QString());
    EXPECT_EQ(u->Count(), 5);
    for (const char* bad : {"2;,1,A", "2;5,1,A,a", "2;2,1,A,a;1,2,B,b", "x;,1,A,a", "2;,1,A,a;,1,B,b"})
        EXPECT_VBERROR(u->LoadRelationsText(QString::fromLatin1(bad)), E(2003)) << bad;
    EXPECT_EQ(u->Count(), 5);
    // kMaxLayers layers read back; one more is refused, by the text, by Add and by Drag
    QString chain = QStringLiteral("300;,1,c,v");
    for (int k = 2; k <= kMaxLayers; ++k)
        chain += QStringLiteral(";%1,%2,c,v").arg(k - 1).arg(k);
    EXPECT_VBERROR(u->LoadRelationsText(chain + QStringLiteral(";255,256,c,v")), E(2003));
    u->LoadRelationsText(chain);
    EXPECT_EQ(u->Node(QStringLiteral("N1"))->Children(), kMaxLayers - 1);
    EXPECT_VBERROR(u->Add(QStringLiteral("N255"), tvwChild, QStringLiteral("x"), QStringLiteral("y")), E(2003));
    const QString second = u->Add(u->Add(QVariant(), tvwNext, QStringLiteral("t"), QStringLiteral("t"))->Key(), tvwChild,
                                  QStringLiteral("u"), QStringLiteral("u"))->Key();
    EXPECT_VBERROR(u->Drag(second, tvwChild, QStringLiteral("N2")), E(2003));
    EXPECT_EQ(u->Node(QStringLiteral("N2"))->Parent()->Key(), QStringLiteral("N1"));
}

TEST_F(Nodes, ANodeOutlivingItsTreeAnswersWithoutIt)
{
    com::ComPtr<ICNode> kept = t->Node(QStringLiteral("N3"));
    t->Remove(QStringLiteral("N3"));
    EXPECT_EQ(kept->Index(), t->Count() + 1); // removed, the tree still there
    t = nullptr;
    EXPECT_EQ(kept->Index(), 0);
    EXPECT_EQ(kept->Layer(), 0);
    EXPECT_EQ(kept->Children(), 0);
    EXPECT_FALSE(kept->Nexts());
    EXPECT_EQ(kept->Parent()->Key(), QStringLiteral("N1")); // it keeps its parent
    kept->setText(QStringLiteral("free"));
    EXPECT_EQ(kept->Text(), QStringLiteral("free"));
}

} // namespace
