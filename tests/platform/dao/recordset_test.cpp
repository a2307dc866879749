// Record sets: moving, reading fields, adding and editing rows with Jet's type rules.
#include "daotest.h"

using namespace daotest;

namespace {

struct Fixture : ::testing::Test {
    testutil::ProgramFolder folder;
    dao::Database db = makeItems(folder.file(QStringLiteral("rs.mdb")));

    dao::Recordset all(int type = dao::dbOpenDynaset)
    {
        return db.OpenRecordset(QStringLiteral("SELECT * FROM [Items] ORDER BY [ID];"), type);
    }
    int count()
    {
        dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT * FROM Items"), dao::dbOpenSnapshot);
        if (!rs.Eof()) rs.MoveLast();
        return rs.RecordCount();
    }
};

using DaoRecordset = Fixture;

} // namespace

TEST_F(DaoRecordset, EmptyRecordsetIsAtBothEnds)
{
    dao::Recordset rs = all(dao::dbOpenSnapshot);
    EXPECT_TRUE(rs.Eof());
    EXPECT_TRUE(rs.Bof());
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_EQ(rs.AbsolutePosition(), -1);
    EXPECT_EQ(errorOf([&] { rs(QStringLiteral("Name")).Value(); }), dao::err::NoCurrentRecord);
    EXPECT_EQ(errorOf([&] { rs.MoveNext(); }), dao::err::NoCurrentRecord);
    EXPECT_EQ(errorOf([&] { rs.MoveFirst(); }), dao::err::NoCurrentRecord);
    EXPECT_EQ(errorOf([&] { rs.MoveLast(); }), dao::err::NoCurrentRecord);
}

TEST_F(DaoRecordset, NavigationCountsAndPositions)
{
    for (int i = 1; i <= 7; ++i) addItem(db, i, QStringLiteral("n%1").arg(i));
    dao::Recordset rs = all(dao::dbOpenSnapshot);
    EXPECT_EQ(rs.RecordCount(), 1);   // rows visited so far, as DAO counts
    // the count idiom of the callers: last row, position + 1, back to the first
    rs.MoveLast();
    EXPECT_EQ(rs.AbsolutePosition() + 1, 7);
    EXPECT_EQ(rs.RecordCount(), 7);
    EXPECT_EQ(rs(QStringLiteral("ID")).Value().toInt(), 7);
    rs.MoveFirst();
    EXPECT_EQ(rs(QStringLiteral("ID")).Value().toInt(), 1);
    rs.MovePrevious();
    EXPECT_TRUE(rs.Bof());
    EXPECT_FALSE(rs.Eof());
    EXPECT_EQ(errorOf([&] { rs(0).Value(); }), dao::err::NoCurrentRecord);
    EXPECT_EQ(errorOf([&] { rs.MovePrevious(); }), dao::err::NoCurrentRecord);
    rs.MoveNext();
    EXPECT_EQ(rs(QStringLiteral("ID")).Value().toInt(), 1);
    rs.setAbsolutePosition(4);
    EXPECT_EQ(rs(QStringLiteral("ID")).Value().toInt(), 5);
    rs.MovePrevious();
    EXPECT_EQ(rs(QStringLiteral("ID")).Value().toInt(), 4);
    rs.Move(2);
    EXPECT_EQ(rs(QStringLiteral("ID")).Value().toInt(), 6);
    rs.MoveNext();
    rs.MoveNext();
    EXPECT_TRUE(rs.Eof());
    EXPECT_EQ(errorOf([&] { rs.MoveNext(); }), dao::err::NoCurrentRecord);
    rs.MovePrevious();
    EXPECT_EQ(rs(QStringLiteral("ID")).Value().toInt(), 7);
}

TEST_F(DaoRecordset, FieldsByPositionAndByNameIgnoringCaseAndBrackets)
{
    addItem(db, 1, QStringLiteral("甲"));
    dao::Recordset rs = all();
    EXPECT_EQ(rs.Fields().Count(), 8);
    EXPECT_EQ(rs.Fields(1).Name(), QStringLiteral("Name"));
    for (const QString& n : {QStringLiteral("Name"), QStringLiteral("NAME"), QStringLiteral("[name]"),
                             QStringLiteral("Items.Name")})
        EXPECT_EQ(rs(n).Value().toString(), QStringLiteral("甲")) << n.toStdString();
    EXPECT_EQ(errorOf([&] { rs(QStringLiteral("Nope")); }), dao::err::ItemNotFound);
    EXPECT_EQ(errorOf([&] { rs(8); }), dao::err::ItemNotFound);
    EXPECT_EQ(rs(QStringLiteral("Name")).Type(), dao::dbText);
    EXPECT_EQ(rs(QStringLiteral("Name")).Size(), 20);
    EXPECT_EQ(rs(QStringLiteral("Data")).Type(), dao::dbLongBinary);
    EXPECT_EQ(rs(QStringLiteral("Price")).Type(), dao::dbCurrency);
    // Null columns
    EXPECT_TRUE(rs(QStringLiteral("Qty")).Value().isNull());
    EXPECT_TRUE(rs(QStringLiteral("Made")).Value().isNull());
    EXPECT_EQ(rs(QStringLiteral("Data")).FieldSize(), -1);
}

TEST_F(DaoRecordset, ValuesComeBackInTheirTypes)
{
    dao::Recordset rs = all();
    rs.AddNew();
    rs(QStringLiteral("ID")).setValue(QStringLiteral(" 12 "));
    rs(QStringLiteral("Name")).setValue(QStringLiteral("O'Brien \"x\""));
    rs(QStringLiteral("Qty")).setValue(2.5);           // rounds half to even
    rs(QStringLiteral("Price")).setValue(QStringLiteral("1234.56789"));
    rs(QStringLiteral("Made")).setValue(QStringLiteral("2024-02-29 13:45"));
    rs(QStringLiteral("Memo")).setValue(QString(1000, u'长'));
    rs(QStringLiteral("Flag")).setValue(true);
    rs.Update();
    rs.Requery();
    EXPECT_EQ(rs(QStringLiteral("ID")).Value(), QVariant(12));
    EXPECT_EQ(rs(QStringLiteral("Name")).Value(), QVariant(QStringLiteral("O'Brien \"x\"")));
    EXPECT_EQ(rs(QStringLiteral("Qty")).Value(), QVariant(2));
    EXPECT_DOUBLE_EQ(rs(QStringLiteral("Price")).Value().toDouble(), 1234.5679);
    EXPECT_EQ(rs(QStringLiteral("Made")).Value().toDateTime(), QDateTime(QDate(2024, 2, 29), QTime(13, 45)));
    EXPECT_EQ(rs(QStringLiteral("Memo")).Value().toString().size(), 1000);
    EXPECT_EQ(rs(QStringLiteral("Flag")).Value(), QVariant(true));
    // dates are kept in the one text form, so they compare as text
    dao::Recordset q = db.OpenRecordset(QStringLiteral("SELECT ID FROM Items WHERE Made = '2024-02-29 13:45:00'"));
    EXPECT_FALSE(q.Eof());
}

TEST_F(DaoRecordset, ValuesTheColumnCannotTakeAreRefused)
{
    addItem(db, 1, QStringLiteral("a"));
    dao::Recordset rs = all();
    rs.AddNew();
    EXPECT_EQ(errorOf([&] { rs(QStringLiteral("ID")).setValue(QStringLiteral("abc")); }), dao::err::TypeMismatch);
    EXPECT_EQ(errorOf([&] { rs(QStringLiteral("ID")).setValue(QString()); }), dao::err::TypeMismatch);
    EXPECT_EQ(errorOf([&] { rs(QStringLiteral("Qty")).setValue(40000); }), dao::err::Overflow);
    EXPECT_EQ(errorOf([&] { rs(QStringLiteral("ID")).setValue(1e12); }), dao::err::Overflow);
    EXPECT_EQ(errorOf([&] { rs(QStringLiteral("Made")).setValue(QStringLiteral("2023-02-30")); }), dao::err::TypeMismatch);
    EXPECT_EQ(errorOf([&] { rs(QStringLiteral("Made")).setValue(QStringLiteral("soon")); }), dao::err::TypeMismatch);
    EXPECT_EQ(errorOf([&] { rs(QStringLiteral("Name")).setValue(QString(21, u'x')); }), dao::err::FieldTooSmall);
    EXPECT_EQ(errorOf([&] { rs(QStringLiteral("Flag")).setValue(QStringLiteral("maybe")); }), dao::err::TypeMismatch);
    rs.CancelUpdate();
    EXPECT_EQ(count(), 1);
}

TEST_F(DaoRecordset, RequiredZeroLengthAndDuplicateKeyWriteNothing)
{
    addItem(db, 1, QStringLiteral("a"));
    dao::Recordset rs = all();
    rs.AddNew();
    rs(QStringLiteral("ID")).setValue(2);
    EXPECT_EQ(errorOf([&] { rs.Update(); }), dao::err::RequiredNull);   // Name missing
    rs(QStringLiteral("Name")).setValue(QVariant());
    EXPECT_EQ(errorOf([&] { rs.Update(); }), dao::err::RequiredNull);
    rs(QStringLiteral("Name")).setValue(QStringLiteral("b"));
    rs(QStringLiteral("ID")).setValue(1);
    EXPECT_EQ(errorOf([&] { rs.Update(); }), dao::err::DuplicateKey);
    EXPECT_EQ(rs.EditMode(), dao::dbEditAdd);   // still adding: the caller may cancel
    rs.CancelUpdate();
    EXPECT_EQ(count(), 1);

    // a text field that does not allow zero-length values
    dao::TableDef t = db.CreateTableDef(QStringLiteral("Strict"));
    t.Fields().Append(t.CreateField(QStringLiteral("Code"), dao::dbText, 10));
    db.TableDefs().Append(t);
    dao::Recordset s = db.OpenRecordset(QStringLiteral("Strict"));
    s.AddNew();
    s(QStringLiteral("Code")).setValue(QString(QLatin1String("")));
    EXPECT_EQ(errorOf([&] { s.Update(); }), dao::err::ZeroLength);
    s.CancelUpdate();
    EXPECT_EQ(db.TableDefs()(QStringLiteral("Strict")).RecordCount(), 0);
}

TEST_F(DaoRecordset, EditUpdatesTheCurrentRowOnly)
{
    for (int i = 1; i <= 3; ++i) addItem(db, i, QStringLiteral("n%1").arg(i));
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT TOP 1 * FROM [Items] WHERE [ID]=2;"));
    EXPECT_EQ(errorOf([&] { rs(QStringLiteral("Name")).setValue(QStringLiteral("x")); }), dao::err::UpdateWithoutEdit);
    EXPECT_EQ(errorOf([&] { rs.Update(); }), dao::err::UpdateWithoutEdit);
    rs.Edit();
    rs(QStringLiteral("Name")).setValue(QStringLiteral("changed"));
    EXPECT_EQ(rs(QStringLiteral("Name")).Value().toString(), QStringLiteral("changed"));
    rs.Update();
    EXPECT_EQ(rs(QStringLiteral("Name")).Value().toString(), QStringLiteral("changed"));
    rs.Close();
    dao::Recordset check = all(dao::dbOpenSnapshot);
    QStringList names;
    for (; !check.Eof(); check.MoveNext()) names << check(QStringLiteral("Name")).Value().toString();
    EXPECT_EQ(names, (QStringList{QStringLiteral("n1"), QStringLiteral("changed"), QStringLiteral("n3")}));

    // CancelUpdate forgets the changes
    dao::Recordset again = all();
    again.Edit();
    again(QStringLiteral("Name")).setValue(QStringLiteral("forgotten"));
    again.CancelUpdate();
    EXPECT_EQ(again(QStringLiteral("Name")).Value().toString(), QStringLiteral("n1"));
}

TEST_F(DaoRecordset, SnapshotsAndExpressionsAreReadOnly)
{
    addItem(db, 1, QStringLiteral("a"));
    dao::Recordset snap = all(dao::dbOpenSnapshot);
    EXPECT_FALSE(snap.Updatable());
    EXPECT_EQ(errorOf([&] { snap.Edit(); }), dao::err::NotUpdatable);
    dao::Recordset ro = db.OpenRecordset(QStringLiteral("Items"), dao::dbOpenDynaset, dao::dbReadOnly);
    EXPECT_EQ(errorOf([&] { ro.AddNew(); }), dao::err::NotUpdatable);
    dao::Recordset expr = db.OpenRecordset(QStringLiteral("SELECT ID, Len(Name) AS L FROM Items"));
    EXPECT_TRUE(expr.Updatable());
    expr.Edit();
    EXPECT_EQ(errorOf([&] { expr(QStringLiteral("L")).setValue(3); }), 3164);
    expr.CancelUpdate();
}

TEST_F(DaoRecordset, LongBinaryInPieces)
{
    addItem(db, 1, QStringLiteral("pic"));
    QByteArray file;
    for (int i = 0; i < 20000; ++i) file += char(i * 7 % 256);
    file[100] = '\0';
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT TOP 1 * FROM [Items] WHERE [ID]=1;"));
    rs.Edit();
    for (int at = 0; at < file.size(); at += 8192) rs(QStringLiteral("Data")).AppendChunk(file.mid(at, 8192));
    rs.Update();
    rs.Requery();
    dao::Field data = rs(QStringLiteral("Data"));
    EXPECT_EQ(data.FieldSize(), file.size());
    QByteArray back;
    for (qint64 at = 0; at < data.FieldSize(); at += 8192) back += data.GetChunk(at, 8192);
    EXPECT_EQ(back, file);
    EXPECT_EQ(data.Value().toByteArray(), file);

    // the first piece after a new Edit replaces the old value
    rs.Edit();
    rs(QStringLiteral("Data")).AppendChunk(QByteArray("new"));
    rs(QStringLiteral("Data")).AppendChunk(QByteArray("er"));
    rs.Update();
    rs.Requery();
    EXPECT_EQ(rs(QStringLiteral("Data")).Value().toByteArray(), QByteArray("newer"));
    rs.Edit();
    EXPECT_EQ(errorOf([&] { rs(QStringLiteral("Qty")).AppendChunk(QByteArray("1")); }), dao::err::TypeMismatch);
    rs(QStringLiteral("Data")).setValue(QVariant());
    rs.Update();
    rs.Requery();
    EXPECT_TRUE(rs(QStringLiteral("Data")).Value().isNull());
}

TEST_F(DaoRecordset, CloneAndRequery)
{
    for (int i = 1; i <= 4; ++i) addItem(db, i, QStringLiteral("n%1").arg(i));
    dao::Recordset rs = all();
    rs.MoveNext();
    rs.MoveNext();
    dao::Recordset clone = rs.Clone();
    EXPECT_EQ(clone(QStringLiteral("ID")).Value().toInt(), 1);
    clone.MoveLast();
    EXPECT_EQ(clone.RecordCount(), 4);
    EXPECT_EQ(rs(QStringLiteral("ID")).Value().toInt(), 3);   // the original kept its place
    addItem(db, 5, QStringLiteral("n5"));
    rs.Requery();
    EXPECT_EQ(rs(QStringLiteral("ID")).Value().toInt(), 1);
    rs.MoveLast();
    EXPECT_EQ(rs.RecordCount(), 5);
}

TEST_F(DaoRecordset, AddingRowsWhileReadingAnother)
{
    dao::DBEngine::BeginTrans();
    for (int i = 1; i <= 50; ++i) addItem(db, i, QStringLiteral("n%1").arg(i));
    dao::DBEngine::CommitTrans();
    // copy every row into a second table, as the backup does, field by field
    dao::TableDef t = db.CreateTableDef(QStringLiteral("Copy"));
    for (dao::Field f : {t.CreateField(QStringLiteral("ID"), dao::dbLong), t.CreateField(QStringLiteral("Name"), dao::dbText, 20)})
        t.Fields().Append(f);
    db.TableDefs().Append(t);
    dao::Recordset src = db.OpenRecordset(QStringLiteral("SELECT ID, Name FROM Items"), dao::dbOpenSnapshot);
    dao::Recordset dst = db.OpenRecordset(QStringLiteral("SELECT * FROM Copy"));
    int rows = 0;
    for (; !src.Eof(); src.MoveNext(), ++rows) {
        dst.AddNew();
        for (int j = 0; j < src.Fields().Count(); ++j) dst.Fields(j).setValue(src.Fields(j).Value());
        dst.Update();
    }
    EXPECT_EQ(rows, 50);
    EXPECT_EQ(db.TableDefs()(QStringLiteral("Copy")).RecordCount(), 50);
}
