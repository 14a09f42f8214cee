#include "engine/odbc/OdbcDatabase.h"

#include "engine/core/SqlTokenizer.h"
#include "engine/odbc/OdbcCatalog.h"
#include "engine/odbc/OdbcDialect.h"
#include "engine/odbc/OdbcRecordset.h"
#include "rtl/Utf8.h"

namespace zalvert::engine::odbc {
namespace {

constexpr const char* kSource = "DAO.Database";

template <class T>
class TNone : public TListCollection<T> {
  public:
    using TListCollection<T>::TListCollection;
};

}  // namespace

struct TOdbcDatabase::TCollections {
    explicit TCollections(const TOdbcRef& db)
        : tableDefs(MakeTableDefs(db)),
          queryDefs(MakeQueryDefs(db)),
          containers(db->EngineRef(), "DAO.Containers"),
          relations(db->EngineRef(), "DAO.Relations"),
          recordsets(db->EngineRef(), "DAO.Recordsets"),
          properties(db->EngineRef(), "DAO.Properties") {}
    std::unique_ptr<TListCollection<TableDef>> tableDefs;
    std::unique_ptr<TOdbcQueryDefs> queryDefs;
    TNone<Container> containers;
    TNone<Relation> relations;
    TNone<Recordset> recordsets;
    TPropertyList properties;
};

TOdbcDatabase::TOdbcDatabase(TOdbcRef state, std::string connect)
    : state_(std::move(state)),
      connect_(std::move(connect)),
      collections_(std::make_unique<TCollections>(state_)) {}

TOdbcDatabase::~TOdbcDatabase() = default;

std::string TOdbcDatabase::Version() const {
    char version[64] = {};
    SQLSMALLINT length = 0;
    if (state_->Closed()) return {};
    SQLGetInfo(state_->Connection(kSource).Handle(), SQL_DBMS_VER, version, sizeof version,
               &length);
    return version;
}

std::shared_ptr<Recordset> TOdbcDatabase::OpenRecordset(const std::string& source, int type,
                                                        int options, int) {
    TOdbcSource described;
    try {
        described = DescribeSource(*state_, source);
    } catch (const ESqlSyntax& e) {
        Fail(state_->Engine(), TDaoErr::SyntaxError, kSource, e.Text);
    }
    if (type == 0) type = described.IsTable ? dbOpenTable : dbOpenDynaset;
    if (type == dbOpenTable && !described.IsTable)
        Fail(state_->Engine(), TDaoErr::InvalidOperation, kSource);
    const bool readOnly = (options & dbReadOnly) != 0;
    auto rs = std::make_shared<TOdbcRecordset>(state_, std::move(described), type, readOnly);
    rs->Open();
    return rs;
}

void TOdbcDatabase::Execute(const std::string& sql, int options) {
    std::string text;
    try {
        text = (options & dbSQLPassThrough) ? sql : ToServerSql(sql);
    } catch (const ESqlSyntax& e) {
        Fail(state_->Engine(), TDaoErr::SyntaxError, kSource, e.Text);
    }
    if (state_->ReadOnly()) Fail(state_->Engine(), TDaoErr::ReadOnly, kSource);
    try {
        TOdbcStatement stmt(state_->Connection(kSource));
        stmt.ExecDirect(text);
        state_->RecordsAffected = stmt.RowsAffected();
    } catch (const EOdbc& e) {
        state_->Fail(e, kSource);
    }
    const std::string upper = AsciiUpperCase(text.substr(0, 12));
    if (upper.starts_with("CREATE") || upper.starts_with("DROP") || upper.starts_with("ALTER"))
        state_->SchemaChanged();
}

Collection<TableDef>& TOdbcDatabase::TableDefs() {
    return *collections_->tableDefs;
}
QueryDefCollection& TOdbcDatabase::QueryDefs() {
    return *collections_->queryDefs;
}
Collection<Container>& TOdbcDatabase::Containers() {
    return collections_->containers;
}
Collection<Relation>& TOdbcDatabase::Relations() {
    return collections_->relations;
}
Collection<Recordset>& TOdbcDatabase::Recordsets() {
    return collections_->recordsets;
}
PropertyCollection& TOdbcDatabase::Properties() {
    return collections_->properties;
}

std::shared_ptr<QueryDef> TOdbcDatabase::CreateQueryDef(const std::string& name,
                                                        const std::string& sql) {
    return collections_->queryDefs->Create(name, sql);
}

void TOdbcDatabase::Close() {
    state_->DropQueued();
    state_->Connection(kSource);
    state_->Close();
}

// Level 1 switches the connection from one transaction a statement to one the
// workspace ends; inner levels are savepoints.
void TOdbcDatabase::BeginLevel(int level) {
    TOdbcConnection& connection = state_->Connection("DAO.Workspace");
    try {
        if (level == 1)
            connection.SetAutoCommit(false);
        else
            connection.Exec("SAVEPOINT zi_level_" + std::to_string(level));
    } catch (const EOdbc& e) {
        state_->Fail(e, "DAO.Workspace");
    }
    state_->TransactionDepth = level;
}

void TOdbcDatabase::EndLevel(int level, bool rollback) {
    // Rows not sent yet belong to the outermost level: inner levels send them
    // before their savepoint.
    if (rollback && level == 1) state_->DropQueued();
    TOdbcConnection& connection = state_->Connection("DAO.Workspace");
    try {
        if (level == 1) {
            connection.EndTransaction(!rollback);
            connection.SetAutoCommit(true);
        } else {
            const std::string savepoint = "zi_level_" + std::to_string(level);
            if (rollback) connection.Exec("ROLLBACK TO SAVEPOINT " + savepoint);
            connection.Exec("RELEASE SAVEPOINT " + savepoint);
        }
    } catch (const EOdbc& e) {
        state_->Fail(e, "DAO.Workspace");
    }
    state_->TransactionDepth = level - 1;
    if (rollback) state_->SchemaChanged();
}

std::shared_ptr<TOdbcDatabase> OpenOdbcDatabase(const TEngineRef& engine, const std::string& name,
                                                bool readOnly, const std::string& connect) {
    std::string text = connect;
    if (AsciiLowerCase(text).starts_with("odbc;")) text = text.substr(5);
    // The PostgreSQL driver would wrap every statement in savepoints of its own,
    // which cost a round trip each and undo the workspace's savepoints; on an error
    // the transaction is to roll back as a whole. Other drivers ignore the keyword.
    if (AsciiLowerCase(text).find("protocol=") == std::string::npos) {
        if (!text.empty() && text.back() != ';') text += ';';
        text += "Protocol=7.4-1";
    }
    auto state = std::make_shared<TOdbcState>(engine, name, text, readOnly);
    return std::make_shared<TOdbcDatabase>(std::move(state), connect);
}

}  // namespace zalvert::engine::odbc
