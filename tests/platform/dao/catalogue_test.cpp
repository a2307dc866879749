// Table definitions: the schema the layer writes and reads back, as the backup copies it.
#include "daotest.h"

using namespace daotest;

namespace {

// Copies one table's structure and rows into another database, as the backup does.
int copyTable(dao::Database& source, dao::Database& target, const QString& name)
{
    dao::TableDef src = source.TableDefs()(name);
    dao::TableDef dst = target.CreateTableDef(src.Name(), src.Attributes());
    dst.setValidationRule(src.ValidationRule());
    dst.setValidationText(src.ValidationText());
    for (int i = 0; i < src.Fields().Count(); ++i) {
        dao::Field f = src.Fields(i);
        dao::Field n = dst.CreateField(f.Name(), f.Type());
        n.setAttributes(f.Attributes());
        dst.Fields().Append(n);
        n.setAllowZeroLength(f.AllowZeroLength());
        n.setRequired(f.Required());
        n.setSize(f.Size());
        n.setValidationRule(f.ValidationRule());
        n.setValidationText(f.ValidationText());
    }
    target.TableDefs().Append(dst);
    dao::Recordset from = source.OpenRecordset(QStringLiteral("SELECT * FROM ") + name, dao::dbOpenSnapshot);
    dao::Recordset to = target.OpenRecordset(QStringLiteral("SELECT * FROM ") + name);
    int rows = 0;
    for (; !from.Eof(); from.MoveNext(), ++rows) {
        to.AddNew();
        for (int j = 0; j < from.Fields().Count(); ++j) to.Fields(j).setValue(from.Fields(j).Value());
        to.Update();
    }
    return rows;
}

} // namespace

TEST(DaoTableDefs, DefinitionsReadBackAsWritten)
{
    testutil::ProgramFolder folder;
    const QString path = folder.file(QStringLiteral("a.mdb"));
    {
        dao::Database db = makeItems(path);
        dao::TableDef t = db.TableDefs()(QStringLiteral("Items"));
        t.setValidationText(QStringLiteral("说明"));
        t.Fields(QStringLiteral("Qty")).setValidationRule(QStringLiteral(">=0"));
        t.Fields(QStringLiteral("Qty")).setValidationText(QStringLiteral("数量不能为负"));
        db.Close();
    }
    dao::Database db = dao::DBEngine::OpenDatabase(path, false, false, QStringLiteral(";PWD=TORVAMS"));
    ASSERT_EQ(db.TableDefs().Count(), 1);   // the layer's own tables are hidden
    dao::TableDef t = db.TableDefs()(0);
    EXPECT_EQ(t.Name(), QStringLiteral("Items"));
    EXPECT_EQ(t.ValidationText(), QStringLiteral("说明"));
    EXPECT_EQ(t.RecordCount(), 0);
    dao::Fields fields = t.Fields();
    ASSERT_EQ(fields.Count(), 8);
    const int types[] = {dao::dbLong, dao::dbText, dao::dbInteger, dao::dbCurrency, dao::dbDate,
                         dao::dbMemo, dao::dbLongBinary, dao::dbBoolean};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(fields(i).Type(), types[i]) << i;
    EXPECT_EQ(fields(QStringLiteral("name")).Size(), 20);
    EXPECT_TRUE(fields(QStringLiteral("Name")).Required());
    EXPECT_TRUE(fields(QStringLiteral("Name")).AllowZeroLength());
    EXPECT_FALSE(fields(QStringLiteral("Qty")).Required());
    EXPECT_EQ(fields(QStringLiteral("Qty")).Size(), 2);
    EXPECT_EQ(fields(QStringLiteral("Qty")).ValidationRule(), QStringLiteral(">=0"));
    EXPECT_EQ(fields(QStringLiteral("Qty")).ValidationText(), QStringLiteral("数量不能为负"));
    EXPECT_EQ(fields(QStringLiteral("Name")).OrdinalPosition(), 1);
    EXPECT_EQ(errorOf([&] { fields(QStringLiteral("Missing")); }), dao::err::ItemNotFound);
    EXPECT_EQ(errorOf([&] { db.TableDefs()(QStringLiteral("_dao_fields")); }), dao::err::ItemNotFound);
    EXPECT_EQ(errorOf([&] { db.TableDefs()(3); }), dao::err::ItemNotFound);
    EXPECT_EQ(errorOf([&] { fields(QStringLiteral("Qty")).Value(); }), 3219);
}

TEST(DaoTableDefs, TextColumnsKeepLeadingZerosAndOrderIgnoresCase)
{
    testutil::ProgramFolder folder;
    dao::Database db = makeItems(folder.file(QStringLiteral("a.mdb")));
    addItem(db, 1, QStringLiteral("001"));
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT Name FROM Items WHERE Name='001'"));
    ASSERT_FALSE(rs.Eof());
    EXPECT_EQ(rs(0).Value(), QVariant(QStringLiteral("001")));
    rs.Close();
    // tables come in name order, ignoring letter case
    for (const QString& n : {QStringLiteral("zeta"), QStringLiteral("Beta"), QStringLiteral("alpha")}) {
        dao::TableDef t = db.CreateTableDef(n);
        addField(t, QStringLiteral("Dev_ID"), dao::dbLong);
        db.TableDefs().Append(t);
    }
    QStringList names;
    dao::TableDefs defs = db.TableDefs();
    for (int i = 0; i < defs.Count(); ++i) names << defs(i).Name();
    EXPECT_EQ(names, (QStringList{QStringLiteral("alpha"), QStringLiteral("Beta"), QStringLiteral("Items"),
                                  QStringLiteral("zeta")}));
}

TEST(DaoTableDefs, RefusalsLeaveTheSchemaAlone)
{
    testutil::ProgramFolder folder;
    dao::Database db = makeItems(folder.file(QStringLiteral("a.mdb")));
    dao::TableDef dup = db.CreateTableDef(QStringLiteral("items"));
    addField(dup, QStringLiteral("X"), dao::dbLong);
    EXPECT_EQ(errorOf([&] { db.TableDefs().Append(dup); }), dao::err::TableExists);
    dao::TableDef empty = db.CreateTableDef(QStringLiteral("Empty"));
    EXPECT_EQ(errorOf([&] { db.TableDefs().Append(empty); }), 3264);
    dao::TableDef t = db.CreateTableDef(QStringLiteral("New"));
    addField(t, QStringLiteral("A"), dao::dbLong);
    EXPECT_EQ(errorOf([&] { t.Fields().Append(t.CreateField(QStringLiteral("a"), dao::dbText)); }), dao::err::FieldExists);
    EXPECT_EQ(errorOf([&] { t.CreateField(QStringLiteral("B"), 99); }), dao::err::NotSupported);
    EXPECT_EQ(errorOf([&] { t.CreateField(QStringLiteral("B"), dao::dbText, 300); }), dao::err::NotSupported);
    EXPECT_EQ(db.TableDefs().Count(), 1);
    db.TableDefs().Append(t);
    EXPECT_EQ(db.TableDefs().Count(), 2);
    // a field appended to a table that exists
    dao::TableDef items = db.TableDefs()(QStringLiteral("Items"));
    addField(items, QStringLiteral("Extra"), dao::dbText, 5);
    EXPECT_EQ(db.TableDefs()(QStringLiteral("Items")).Fields(QStringLiteral("Extra")).Size(), 5);
    EXPECT_EQ(errorOf([&] { items.Fields(QStringLiteral("Extra")).setType(dao::dbLong); }), 3219);
    db.TableDefs().Delete(QStringLiteral("New"));
    EXPECT_EQ(db.TableDefs().Count(), 1);
    EXPECT_EQ(errorOf([&] { db.TableDefs().Delete(QStringLiteral("New")); }), dao::err::ItemNotFound);
    // names with quotes and brackets
    dao::TableDef odd = db.CreateTableDef(QStringLiteral("O'Neil \"表\""));
    addField(odd, QStringLiteral("It's"), dao::dbText);
    db.TableDefs().Append(odd);
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT [It's] FROM [O'Neil \"表\"]"));
    rs.AddNew();
    rs(QStringLiteral("It's")).setValue(QStringLiteral("x"));
    rs.Update();
    EXPECT_EQ(db.TableDefs()(QStringLiteral("O'Neil \"表\"")).RecordCount(), 1);
    dao::TableDef bad = db.CreateTableDef(QStringLiteral("a]b"));
    addField(bad, QStringLiteral("X"), dao::dbLong);
    EXPECT_EQ(errorOf([&] { db.TableDefs().Append(bad); }), dao::err::NotSupported);
}

TEST(DaoTableDefs, BackupCopiesStructureAndRowsIntoAKeyedFile)
{
    testutil::ProgramFolder folder;
    dao::Database db = makeItems(folder.file(QStringLiteral("Ostrel.mdb")));
    dao::DBEngine::BeginTrans();
    for (int i = 1; i <= 40; ++i)
        addItem(db, i, QStringLiteral("设备%1").arg(i), QStringLiteral("2024-03-%1 10:00").arg(i % 28 + 1), i);
    dao::DBEngine::CommitTrans();
    dao::Recordset pic = db.OpenRecordset(QStringLiteral("SELECT * FROM Items WHERE ID=7"));
    pic.Edit();
    pic(QStringLiteral("Data")).AppendChunk(QByteArray(10000, '\x01'));
    pic.Update();
    pic.Close();

    const QString target = folder.file(QStringLiteral("Ostrel.STB"));
    dao::Database backup = dao::DBEngine::CreateDatabase(
        target, QString::fromLatin1(dao::dbLangChineseSimplified) + QStringLiteral(";pwd=TORVAMS"));
    EXPECT_EQ(copyTable(db, backup, QStringLiteral("Items")), 40);
    backup.Close();

    EXPECT_EQ(errorOf([&] { dao::DBEngine::OpenDatabase(target); }), dao::err::NotValidPassword);
    dao::Database check = dao::DBEngine::OpenDatabase(target, false, false, QStringLiteral(";PWD=TORVAMS"));
    dao::TableDef t = check.TableDefs()(QStringLiteral("Items"));
    EXPECT_EQ(t.RecordCount(), 40);
    EXPECT_EQ(t.Fields(QStringLiteral("Name")).Size(), 20);
    EXPECT_TRUE(t.Fields(QStringLiteral("ID")).Required());
    dao::Recordset rs = check.OpenRecordset(QStringLiteral("SELECT * FROM Items WHERE ID=7"), dao::dbOpenSnapshot);
    EXPECT_EQ(rs(QStringLiteral("Data")).FieldSize(), 10000);
    EXPECT_EQ(rs(QStringLiteral("Made")).Value().toDateTime(), QDateTime(QDate(2024, 3, 8), QTime(10, 0)));
    EXPECT_EQ(rs(QStringLiteral("Name")).Value().toString(), QStringLiteral("设备7"));
}

TEST(DaoTableDefs, DeletingAcrossEveryTableWithAColumn)
{
    testutil::ProgramFolder folder;
    dao::Database db = makeItems(folder.file(QStringLiteral("a.mdb")));
    for (const QString& n : {QStringLiteral("Transfer"), QStringLiteral("Maintain"), QStringLiteral("Other")}) {
        dao::TableDef t = db.CreateTableDef(n);
        addField(t, n == QStringLiteral("Other") ? QStringLiteral("Key") : QStringLiteral("Dev_ID"), dao::dbLong);
        db.TableDefs().Append(t);
        for (int id : {1, 2}) {
            dao::Recordset rs = db.OpenRecordset(n);
            rs.AddNew();
            rs.Fields(0).setValue(id);
            rs.Update();
        }
    }
    dao::DBEngine::BeginTrans();
    dao::TableDefs defs = db.TableDefs();
    int deleted = 0;
    for (int i = 0; i < defs.Count(); ++i) {
        dao::TableDef t = defs(i);
        bool has = false;
        for (int j = 0; j < t.Fields().Count(); ++j)
            if (t.Fields(j).Name() == QStringLiteral("Dev_ID")) has = true;
        if (has) deleted += db.Execute(QStringLiteral("DELETE * FROM [") + t.Name() + QStringLiteral("] WHERE [Dev_ID]=1;"));
    }
    dao::DBEngine::CommitTrans();
    EXPECT_EQ(deleted, 2);
    EXPECT_EQ(db.TableDefs()(QStringLiteral("Other")).RecordCount(), 2);
    EXPECT_EQ(db.TableDefs()(QStringLiteral("Transfer")).RecordCount(), 1);
}

TEST(DaoTableDefs, IndexesAndTablesThroughStatements)
{
    testutil::ProgramFolder folder;
    dao::Database db = makeItems(folder.file(QStringLiteral("a.mdb")));
    db.Execute(QStringLiteral("CREATE UNIQUE INDEX ix_name ON [Items] ([Name]);"));
    addItem(db, 1, QStringLiteral("Ärger"));
    // the unique index compares ignoring case, as Jet's does
    EXPECT_EQ(errorOf([&] { addItem(db, 2, QStringLiteral("äRGER")); }), dao::err::DuplicateKey);
    EXPECT_EQ(errorOf([&] { db.Execute(QStringLiteral("CREATE INDEX ix_name ON [Items] ([Qty])")); }), 3375);
    db.Execute(QStringLiteral("DROP INDEX ix_name ON [Items]"));
    EXPECT_NO_THROW(addItem(db, 2, QStringLiteral("äRGER")));
    EXPECT_EQ(errorOf([&] { db.Execute(QStringLiteral("CREATE TABLE X (A LONG)")); }), dao::err::NotSupported);
    EXPECT_EQ(errorOf([&] { db.Execute(QStringLiteral("CREATE INDEX i ON Nowhere (A)")); }), dao::err::NoSuchTable);
    db.Execute(QStringLiteral("DROP TABLE [Items];"));
    EXPECT_EQ(db.TableDefs().Count(), 0);
    EXPECT_EQ(errorOf([&] { db.OpenRecordset(QStringLiteral("Items")); }), dao::err::NoSuchTable);
}
