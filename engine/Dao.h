#pragma once
// The public object model of the recordset engine: DBEngine, Workspace, Database,
// TableDef, QueryDef, Index, Field, Parameter, Recordset, Property and their
// collections, with typed members. Values cross as Variant. Every failure raises
// EDaoError and becomes the engine's last error in Errors.
//
// Nothing outside the engine sees how it stores its data.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/DaoConstants.h"
#include "engine/DaoError.h"
#include "rtl/Variant.h"

namespace zalvert::engine {

template <class T>
class Collection {
  public:
    virtual ~Collection() = default;
    virtual int Count() const = 0;
    // Raise ItemNotFound when there is no such item.
    virtual std::shared_ptr<T> Item(int index) const = 0;
    virtual std::shared_ptr<T> Item(std::string_view name) const = 0;
    virtual void Refresh() = 0;
};

class Property {
  public:
    virtual ~Property() = default;
    virtual std::string Name() const = 0;
    virtual int Type() const = 0;
    virtual Variant Value() const = 0;
    virtual void SetValue(const Variant& value) = 0;
};

class PropertyCollection : public Collection<Property> {
  public:
    virtual void Append(std::shared_ptr<Property> property) = 0;
    virtual void Delete(std::string_view name) = 0;
};

class Field {
  public:
    virtual ~Field() = default;
    virtual std::string Name() const = 0;
    virtual void SetName(const std::string& name) = 0;  // only before appending
    virtual int Type() const = 0;
    virtual int Size() const = 0;
    virtual long Attributes() const = 0;
    virtual void SetAttributes(long attributes) = 0;  // only before appending
    virtual Variant Value() const = 0;
    virtual void SetValue(const Variant& value) = 0;
    // As SetValue, taking the value over: a large memo or blob is not copied.
    virtual void TakeValue(Variant&& value) { SetValue(value); }
    // A text or memo value into `text`, reusing its memory, without a copy of the
    // value on the way; false, and `text` unchanged, where the value is no text.
    virtual bool CopyTextTo(std::string&) const { return false; }
    // Length in bytes of a memo or binary value of the current record.
    virtual long long FieldSize() const = 0;
    virtual std::string DefaultValue() const = 0;
    virtual bool Required() const = 0;
    virtual std::string SourceTable() const = 0;
    virtual std::string SourceField() const = 0;
    virtual PropertyCollection& Properties() = 0;
    virtual std::shared_ptr<Property> CreateProperty(const std::string& name, int type,
                                                     const Variant& value) = 0;
};

class FieldCollection : public Collection<Field> {
  public:
    virtual void Append(std::shared_ptr<Field> field) = 0;
    virtual void Delete(std::string_view name) = 0;
};

class Index {
  public:
    virtual ~Index() = default;
    virtual std::string Name() const = 0;
    virtual void SetName(const std::string& name) = 0;
    virtual bool Primary() const = 0;
    virtual void SetPrimary(bool primary) = 0;
    virtual bool Unique() const = 0;
    virtual void SetUnique(bool unique) = 0;
    virtual FieldCollection& Fields() = 0;
    virtual std::shared_ptr<Field> CreateField(const std::string& name) = 0;
};

class IndexCollection : public Collection<Index> {
  public:
    virtual void Append(std::shared_ptr<Index> index) = 0;
    virtual void Delete(std::string_view name) = 0;
};

class TableDef {
  public:
    virtual ~TableDef() = default;
    virtual std::string Name() const = 0;
    virtual long Attributes() const = 0;
    virtual TDateTime DateCreated() const = 0;
    virtual TDateTime LastUpdated() const = 0;
    virtual long long RecordCount() const = 0;
    virtual FieldCollection& Fields() = 0;
    virtual IndexCollection& Indexes() = 0;
    virtual PropertyCollection& Properties() = 0;
    virtual std::shared_ptr<Index> CreateIndex(const std::string& name) = 0;
    virtual std::shared_ptr<Field> CreateField(const std::string& name, int type = 0,
                                               int size = 0) = 0;
};

class Parameter {
  public:
    virtual ~Parameter() = default;
    virtual std::string Name() const = 0;
    virtual int Type() const = 0;
    virtual int Direction() const = 0;
    virtual Variant Value() const = 0;
    virtual void SetValue(const Variant& value) = 0;
};

class Recordset;

class QueryDef {
  public:
    virtual ~QueryDef() = default;
    virtual std::string Name() const = 0;
    virtual std::string SQL() const = 0;
    virtual void SetSQL(const std::string& sql) = 0;
    virtual int Type() const = 0;
    virtual Collection<Parameter>& Parameters() = 0;
    virtual std::shared_ptr<Recordset> OpenRecordset(int type = dbOpenDynaset, int options = 0,
                                                     int lockEdit = 0) = 0;
    virtual void Execute(int options = 0) = 0;
    virtual long long RecordsAffected() const = 0;
    virtual long MaxRecords() const = 0;
    virtual void SetMaxRecords(long maxRecords) = 0;
    virtual int ODBCTimeout() const = 0;
    virtual void SetODBCTimeout(int seconds) = 0;
    virtual TDateTime DateCreated() const = 0;
    virtual TDateTime LastUpdated() const = 0;
    virtual PropertyCollection& Properties() = 0;
};

class QueryDefCollection : public Collection<QueryDef> {
  public:
    virtual void Delete(std::string_view name) = 0;
};

class Recordset {
  public:
    virtual ~Recordset() = default;
    virtual std::string Name() const = 0;
    virtual int Type() const = 0;
    // BOF and EOF; EOF is a macro of the C library.
    virtual bool Bof() const = 0;
    virtual bool Eof() const = 0;
    virtual void MoveFirst() = 0;
    virtual void MoveLast() = 0;
    virtual void MoveNext() = 0;
    virtual void MovePrevious() = 0;
    virtual void Move(long rows) = 0;
    virtual long AbsolutePosition() const = 0;  // -1 without current record
    virtual void SetAbsolutePosition(long position) = 0;
    virtual double PercentPosition() const = 0;
    virtual void SetPercentPosition(double percent) = 0;
    virtual long RecordCount() const = 0;
    virtual TBytes Bookmark() const = 0;
    virtual void SetBookmark(const TBytes& bookmark) = 0;
    virtual bool Bookmarkable() const = 0;
    virtual TBytes LastModified() const = 0;
    virtual int EditMode() const = 0;
    virtual void AddNew() = 0;
    virtual void Edit() = 0;
    virtual void Update() = 0;
    virtual void CancelUpdate() = 0;
    virtual void Delete() = 0;
    virtual void Requery() = 0;
    virtual std::shared_ptr<Recordset> Clone() = 0;
    virtual void Close() = 0;
    virtual bool Updatable() const = 0;
    virtual long long RecordsAffected() const = 0;
    // Table-type recordsets: the current index, and a search on it.
    virtual std::string Index() const = 0;
    virtual void SetIndex(const std::string& name) = 0;
    virtual void Seek(const std::string& comparison, const std::vector<Variant>& keys) = 0;
    virtual bool NoMatch() const = 0;
    virtual void FindFirst(const std::string& criteria) = 0;
    virtual void FindLast(const std::string& criteria) = 0;
    virtual void FindNext(const std::string& criteria) = 0;
    virtual void FindPrevious(const std::string& criteria) = 0;
    // Filter and Sort take effect in a recordset opened from this one.
    virtual std::string Filter() const = 0;
    virtual void SetFilter(const std::string& filter) = 0;
    virtual std::string Sort() const = 0;
    virtual void SetSort(const std::string& sort) = 0;
    virtual std::shared_ptr<Recordset> OpenRecordset(int type = 0, int options = 0) = 0;
    virtual FieldCollection& Fields() = 0;
    // Every value of the current record, in field order, as each field's Value
    // gives it, without a copy of a text or binary value: a reader of whole records
    // is spared the checks and calls of each field. False where a recordset does
    // not offer it, or not for this record (none current, deleted, not at hand):
    // the fields then give the values, and the errors, one by one.
    using TValueVisitor = std::function<void(size_t field, const Variant& value)>;
    virtual bool VisitCurrentValues(const TValueVisitor&) const { return false; }
};

class Container {
  public:
    virtual ~Container() = default;
    virtual std::string Name() const = 0;
};

class Relation {
  public:
    virtual ~Relation() = default;
    virtual std::string Name() const = 0;
};

// A row as a row reader hands it over: its values hold during the call only.
class RowValues {
  public:
    virtual ~RowValues() = default;
    virtual bool IsNull(int column) const = 0;
    // The value as text, without a copy where it is stored as one; empty for null.
    virtual std::string_view Text(int column) const = 0;
    // A date or time; none for null or a value that is no date.
    virtual std::optional<TDateTime> Date(int column) const = 0;
    virtual long long Integer(int column) const = 0;
};

// Rows read for a caller that looks at each once, without a recordset's cursor.
class RowReader {
  public:
    // Stops the reading and waits for it to end.
    virtual ~RowReader() = default;
    // Waits until every row has been handed over; raises what the reading met.
    virtual void Wait() = 0;
};
using RowHandler = std::function<void(const RowValues&)>;

// One view of the data held for many reads in a row (an export through a
// recordset): they then cost no locking each and see the same records. Writes of
// other users wait for nothing; a transaction begun meanwhile ends the view.
class ReadSnapshot {
  public:
    virtual ~ReadSnapshot() = default;
};

class Database {
  public:
    virtual ~Database() = default;
    virtual std::string Name() const = 0;
    virtual std::string Connect() const = 0;
    virtual std::string Version() const = 0;
    virtual int CollatingOrder() const = 0;
    virtual int QueryTimeout() const = 0;
    virtual void SetQueryTimeout(int seconds) = 0;
    virtual bool Updatable() const = 0;
    // Type 0: table-type for a table, dynaset for a query or SQL text.
    virtual std::shared_ptr<Recordset> OpenRecordset(const std::string& source, int type = 0,
                                                     int options = 0, int lockEdit = 0) = 0;
    virtual void Execute(const std::string& sql, int options = 0) = 0;
    // Where the engine has nothing to hold, an object that holds nothing.
    virtual std::unique_ptr<ReadSnapshot> HoldSnapshot();
    // Hands every row of the SELECT `sql` to `each`, then calls `done`. A database
    // file is read on a thread of its own while the caller goes on: both calls run
    // there until Wait, and the rows are those of the transaction as it stands at
    // this call, so the caller changes none of them before Wait; `done` is called
    // there also when the reading fails, not when it is stopped. Elsewhere the rows
    // are read here, before this returns.
    virtual std::unique_ptr<RowReader> ReadRows(const std::string& sql, RowHandler each,
                                                std::function<void()> done = {});
    virtual long long RecordsAffected() const = 0;
    virtual Collection<TableDef>& TableDefs() = 0;
    virtual QueryDefCollection& QueryDefs() = 0;
    virtual std::shared_ptr<QueryDef> CreateQueryDef(const std::string& name,
                                                     const std::string& sql) = 0;
    virtual Collection<Container>& Containers() = 0;
    virtual Collection<Relation>& Relations() = 0;
    virtual Collection<Recordset>& Recordsets() = 0;
    virtual PropertyCollection& Properties() = 0;
    virtual void Close() = 0;
};

class Workspace {
  public:
    virtual ~Workspace() = default;
    virtual std::string Name() const = 0;
    virtual std::string UserName() const = 0;
    virtual int Type() const = 0;
    // `options`: true (or a non-zero number) opens exclusively.
    virtual std::shared_ptr<Database> OpenDatabase(const std::string& name,
                                                   const Variant& options = Variant(false),
                                                   bool readOnly = false,
                                                   const std::string& connect = {}) = 0;
    virtual std::shared_ptr<Database> OpenConnection(const std::string& name,
                                                     const Variant& options = Variant(),
                                                     bool readOnly = false,
                                                     const std::string& connect = {}) = 0;
    virtual int DefaultCursorDriver() const = 0;
    virtual void SetDefaultCursorDriver(int driver) = 0;
    virtual void BeginTrans() = 0;
    virtual void CommitTrans() = 0;
    virtual void Rollback() = 0;
    virtual Collection<Database>& Databases() = 0;
    virtual void Close() = 0;
};

class WorkspaceCollection : public Collection<Workspace> {
  public:
    virtual void Append(std::shared_ptr<Workspace> workspace) = 0;
};

class DBEngine {
  public:
    virtual ~DBEngine() = default;
    virtual std::string Version() const = 0;
    virtual std::string SystemDB() const = 0;
    virtual void SetSystemDB(const std::string& path) = 0;
    virtual std::string DefaultUser() const = 0;
    virtual void SetDefaultUser(const std::string& user) = 0;
    virtual std::string DefaultPassword() const = 0;
    virtual void SetDefaultPassword(const std::string& password) = 0;
    virtual int DefaultType() const = 0;
    virtual void SetDefaultType(int type) = 0;
    virtual std::shared_ptr<Workspace> CreateWorkspace(const std::string& name,
                                                       const std::string& userName,
                                                       const std::string& password,
                                                       int type = dbUseJet) = 0;
    virtual WorkspaceCollection& Workspaces() = 0;
    // The last failure: none, or one error.
    virtual int ErrorCount() const = 0;
    virtual EDaoError Error(int index) const = 0;
    virtual void Idle(int action) = 0;
    // A new, empty database file; DatabaseExists when it exists.
    virtual std::shared_ptr<Database> CreateDatabase(const std::string& name,
                                                     const std::string& locale = {},
                                                     int options = 0) = 0;
    // The file formats it opens besides its own.
    virtual std::vector<std::string> IsamFormats() const = 0;
};

// Creates the engine registered under a ProgID ("DAO.DBEngine.36",
// "DAO.PrivateDBEngine.36"); raises EDaoError ClassNotRegistered for any other.
std::shared_ptr<DBEngine> CreateDBEngine(std::string_view progId);
bool IsProgIdRegistered(std::string_view progId);

}  // namespace zalvert::engine
