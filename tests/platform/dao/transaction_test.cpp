// Writes through a record set that stays open from one transaction to the next belong
// to the transaction in force when they are made, also inside save points.
#include "daotest.h"
#include "platform/dao/transaction.h"
#include <functional>
#include <optional>

using namespace daotest;

namespace {

enum class Op { AddNew, Edit, Delete };

struct Case {
    const char* name;
    int type;
    Op op;
};

const Case kCases[] = {
    {"TableAddNew", dao::dbOpenTable, Op::AddNew},
    {"TableEdit", dao::dbOpenTable, Op::Edit},
    {"TableDelete", dao::dbOpenTable, Op::Delete},
    {"DynasetAddNew", dao::dbOpenDynaset, Op::AddNew},
    {"DynasetEdit", dao::dbOpenDynaset, Op::Edit},
    {"DynasetDelete", dao::dbOpenDynaset, Op::Delete},
};

struct DaoTransactionWrites : ::testing::TestWithParam<Case> {
    testutil::ProgramFolder folder;
    dao::Database db = makeItems(folder.file(QStringLiteral("tx.mdb")));
    std::optional<dao::Recordset> rs;

    void SetUp() override
    {
        dao::Transaction tx;
        for (int i = 1; i <= 6; ++i) addItem(db, i, QStringLiteral("n%1").arg(i));
        tx.commit();
    }
    void TearDown() override { EXPECT_EQ(dao::DBEngine::TransactionLevel(), 0); }

    void open()
    {
        rs = GetParam().type == dao::dbOpenTable
                 ? db.OpenRecordset(QStringLiteral("Items"), dao::dbOpenTable)
                 : db.OpenRecordset(QStringLiteral("SELECT * FROM [Items] ORDER BY [ID];"), dao::dbOpenDynaset);
        ASSERT_TRUE(rs->Updatable());
    }

    // Write number n: adds row 100+n, edits row n's name, or deletes row n while the set is open.
    void write(int n)
    {
        dao::Recordset& r = *rs;
        switch (GetParam().op) {
        case Op::AddNew:
            r.AddNew();
            r(QStringLiteral("ID")).setValue(100 + n);
            r(QStringLiteral("Name")).setValue(QStringLiteral("a%1").arg(n));
            r.Update();
            break;
        case Op::Edit:
            r.MoveFirst();
            while (r(QStringLiteral("ID")).Value().toInt() != n) r.MoveNext();
            r.Edit();
            r(QStringLiteral("Name")).setValue(QStringLiteral("e%1").arg(n));
            r.Update();
            break;
        case Op::Delete:
            r.MoveFirst();
            db.Execute(QStringLiteral("DELETE * FROM Items WHERE ID=%1").arg(n));
            break;
        }
    }

    // Whether write n is in the file, seen from another copy.
    bool written(int n)
    {
        dao::Database other = dao::DBEngine::OpenDatabase(db.Name(), false, true,
                                                          QStringLiteral(";pwd=") + kPassword);
        auto find = [&](int id) {
            return other.OpenRecordset(QStringLiteral("SELECT Name FROM Items WHERE ID=%1").arg(id),
                                       dao::dbOpenSnapshot);
        };
        bool out = false;
        switch (GetParam().op) {
        case Op::AddNew: out = !find(100 + n).Eof(); break;
        case Op::Edit: out = find(n)(QStringLiteral("Name")).Value().toString() == QStringLiteral("e%1").arg(n); break;
        case Op::Delete: out = find(n).Eof(); break;
        }
        other.Close();
        return out;
    }

    void expectWritten(std::initializer_list<int> kept, std::initializer_list<int> undone)
    {
        for (int n : kept) EXPECT_TRUE(written(n)) << "write " << n << " was lost";
        for (int n : undone) EXPECT_FALSE(written(n)) << "write " << n << " survived its rollback";
    }
};

} // namespace

TEST_P(DaoTransactionWrites, OpenAcrossACommitWritesInTheNextTransaction)
{
    open();
    {
        dao::Transaction tx;
        write(1);
        tx.commit();
    }
    {
        dao::Transaction tx;
        write(2);
    }
    {
        dao::Transaction tx;
        write(3);
        tx.commit();
    }
    expectWritten({1, 3}, {2});
}

TEST_P(DaoTransactionWrites, OpenedInsideOneTransactionWritesInTheNext)
{
    {
        dao::Transaction tx;
        open();
        write(1);
        tx.commit();
    }
    {
        dao::Transaction tx;
        write(2);
    }
    expectWritten({1}, {2});
}

TEST_P(DaoTransactionWrites, OpenAcrossARollbackWritesInTheNextTransaction)
{
    open();
    {
        dao::Transaction tx;
        write(1);
    }
    {
        dao::Transaction tx;
        write(2);
    }
    {
        dao::Transaction tx;
        write(3);
        tx.commit();
    }
    expectWritten({3}, {1, 2});
}

TEST_P(DaoTransactionWrites, SavePointsUndoTheirOwnWrites)
{
    open();
    {
        dao::Transaction outer;
        write(1);
        {
            dao::Transaction inner;
            write(2);   // rolled back with the save point alone
        }
        {
            dao::Transaction inner;
            write(3);
            inner.commit();
        }
        {
            dao::Transaction inner;
            write(4);   // a save point made again after one released
        }
        outer.commit();
    }
    expectWritten({1, 3}, {2, 4});
}

TEST_P(DaoTransactionWrites, CommittedSavePointGoesWithItsRolledBackTransaction)
{
    open();
    {
        dao::Transaction tx;
        write(1);
        tx.commit();
    }
    {
        dao::Transaction outer;
        write(2);
        {
            dao::Transaction inner;
            write(3);
            inner.commit();
        }
    }
    {
        dao::Transaction outer;
        {
            dao::Transaction inner;
            write(4);   // the set's first write of this transaction, in a save point
            inner.commit();
        }
    }
    expectWritten({1}, {2, 3, 4});
}

INSTANTIATE_TEST_SUITE_P(Sets, DaoTransactionWrites, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });
