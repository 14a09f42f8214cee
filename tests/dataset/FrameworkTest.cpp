#include <gtest/gtest.h>

#include "dataset/Component.h"
#include "dataset/DatabaseError.h"
#include "dataset/FieldDefs.h"
#include "dataset/Params.h"
#include "dataset/Strings.h"

namespace zalvert {
namespace {

class TProbe : public TComponent {
  public:
    TProbe(TComponent* owner, std::vector<std::string>* log, const std::string& name)
        : TComponent(owner), log_(log) {
        SetName(name);
    }
    ~TProbe() override { log_->push_back("free " + Name()); }
    TComponent* Referenced = nullptr;
    int LoadedCalls = 0;

  protected:
    void Loaded() override { ++LoadedCalls; }
    void Notification(TComponent* component, TOperation operation) override {
        if (operation == TOperation::Remove && component == Referenced) {
            Referenced = nullptr;
            log_->push_back(Name() + " forgets " + component->Name());
        }
    }

  private:
    std::vector<std::string>* log_;
};

TEST(Component, OwnerFreesItsComponentsAndReferencesAreForgotten) {
    std::vector<std::string> log;
    auto* owner = new TProbe(nullptr, &log, "Owner");
    auto* a = new TProbe(owner, &log, "A");
    auto* b = new TProbe(owner, &log, "B");
    EXPECT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(owner->FindComponent("b"), b);
    b->Referenced = a;
    a->FreeNotification(b);
    delete a;
    EXPECT_EQ(b->Referenced, nullptr);
    EXPECT_EQ(owner->ComponentCount(), 1);
    delete owner;
    // The owner's own destructor body runs first, then it frees what it owns.
    EXPECT_EQ(log, (std::vector<std::string>{"free A", "B forgets A", "free Owner", "free B"}));
}

TEST(Component, LoadingEndsWithTheAfterLoadingHook) {
    std::vector<std::string> log;
    TProbe probe(nullptr, &log, "P");
    probe.BeginLoading();
    EXPECT_TRUE(probe.Loading());
    probe.EndLoading();
    EXPECT_FALSE(probe.Loading());
    EXPECT_EQ(probe.LoadedCalls, 1);
}

TEST(StringList, KeepsLinesObjectsAndNameValuePairs) {
    TStringList list;
    int changes = 0;
    list.OnChange = [&] { ++changes; };
    list.Add("DSN=Zalvert");
    list.AddObject("Pfad=/daten", 7);
    EXPECT_EQ(list.Values("dsn"), "Zalvert");
    EXPECT_EQ(list.IndexOfName("PFAD"), 1);
    EXPECT_EQ(list.Objects(1), 7);
    EXPECT_EQ(list.IndexOf("dsn=zalvert"), 0);
    list.SetValues("Pfad", "/neu");
    EXPECT_EQ(list.Strings(1), "Pfad=/neu");
    list.SetValues("Pfad", "");
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(changes, 4);
    EXPECT_THROW(list.Strings(5), EDatabaseError);
}

TEST(StringList, ReadsAndWritesTextAndCommaText) {
    TStringList list;
    list.SetText("eins\r\nzwei\nd\xC3\xA4rei\r");
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Text(), "eins\nzwei\nd\xC3\xA4rei\n");
    list.SetCommaText("a, \"b c\",\"d\"\"e\",,f g");
    ASSERT_EQ(list.Count(), 6);
    EXPECT_EQ(list.Strings(1), "b c");
    EXPECT_EQ(list.Strings(2), "d\"e");
    EXPECT_EQ(list.Strings(3), "");
    EXPECT_EQ(list.Strings(4), "f");
    EXPECT_EQ(list.Strings(5), "g");
    EXPECT_EQ(list.CommaText(), "a,\"b c\",\"d\"\"e\",\"\",f,g");
}

TEST(FieldDefs, FindDefinitionsWithoutRegardToCase) {
    TFieldDefs defs;
    defs.Add("ID", TFieldType::ftAutoInc);
    defs.Add("Name", TFieldType::ftString, 50, true);
    EXPECT_EQ(defs.IndexOf("name"), 1);
    EXPECT_EQ(defs.Find("NAME")->Size, 50);
    EXPECT_EQ(defs.Items(1).FieldNo, 2);
    TIndexDefs indexes;
    indexes.Add("PrimaryKey", "ID", ixPrimary | ixUnique);
    EXPECT_EQ(indexes.Find("primarykey")->Options, ixPrimary | ixUnique);
    EXPECT_EQ(SplitFieldNames("Ort; Name ;"), (std::vector<std::string>{"Ort", "Name"}));
}

}  // namespace
}  // namespace zalvert

namespace zalvert {
namespace {

TEST(Params, FindsColonNamesOutsideQuotes) {
    EXPECT_EQ(FindParamNames(
                  "SELECT * FROM t WHERE a = :Von AND b < :bis_2 AND c = ':nein' "
                  "AND d = \":auch nicht\" AND [x:y] = 1 AND e::int = 2 AND f = :\"mit Blank\""),
              (std::vector<std::string>{"Von", "bis_2", "mit Blank"}));
    EXPECT_TRUE(FindParamNames("SELECT 'it''s :no' FROM t").empty());
    EXPECT_EQ(FindParamNames(":a,:A"), (std::vector<std::string>{"a", "A"}));
    // A time inside a date literal, and a name starting with a digit, are none.
    EXPECT_EQ(FindParamNames("SELECT * FROM t WHERE d = #03/01/2024 08:30:00# AND e = :1 "
                             "AND f > :Ab AND g = 12:30"),
              (std::vector<std::string>{"Ab"}));
}

TEST(Params, KeepValuesOfNamesThatStay) {
    TParams params;
    params.ParseSQL("SELECT * FROM t WHERE a = :Von AND b = :Bis AND c = :von");
    ASSERT_EQ(params.Count(), 2);  // one parameter a name, whatever the case
    params.ParamByName("von").Value = Variant(5);
    params.ParseSQL("SELECT * FROM t WHERE a = :VON AND z = :Neu");
    ASSERT_EQ(params.Count(), 2);
    EXPECT_EQ(params.ParamByName("Von").Value, Variant(5));
    EXPECT_TRUE(params.ParamByName("Neu").IsNull());
    try {
        params.ParamByName("Bis");
        FAIL() << "no error raised";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Parameter 'Bis' nicht gefunden");
    }
    TParams other;
    other.CreateParam(TFieldType::ftInteger, "neu", TParamType::ptInput).Value = Variant(9);
    params.AssignValues(other);
    EXPECT_EQ(params.ParamByName("Neu").Value, Variant(9));
    EXPECT_EQ(params.ParamByName("Neu").DataType, TFieldType::ftInteger);
}

}  // namespace
}  // namespace zalvert
