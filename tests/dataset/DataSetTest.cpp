#include <gtest/gtest.h>

#include "dataset/DataSource.h"
#include "rtl/Exceptions.h"
#include "rtl/FormatSettings.h"
#include "tests/dataset/MemDataSet.h"

namespace zalvert::testing {
namespace {

// A link that records what the dataset told it.
class TRecordingLink : public TDataLink {
  public:
    int Changed = 0, Scrolled = 0, RecordChanges = 0, ActiveChanges = 0, EditingChanges = 0;
    int LastScroll = 0;

  protected:
    void DataSetChanged() override { ++Changed; }
    void DataSetScrolled(int distance) override {
        ++Scrolled;
        LastScroll = distance;
    }
    void RecordChanged(TField*) override { ++RecordChanges; }
    void ActiveChanged() override { ++ActiveChanges; }
    void EditingChanged() override { ++EditingChanges; }
};

class DataSetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        FormatSettings() = TFormatSettings::German();
        for (int i = 1; i <= 100; ++i)
            data_.AddRow({TFieldData(std::int32_t{i}), TFieldData("Name " + std::to_string(i)),
                          std::nullopt});
    }
    int Id() { return data_.FieldByName("ID").AsInteger(); }

    TMemDataSet data_{{{"ID", TFieldType::ftInteger},
                       {"Name", TFieldType::ftString, 20},
                       {"Betrag", TFieldType::ftFloat}}};
};

TEST_F(DataSetTest, WalksAllRecordsWithOneBuffer) {
    data_.Open();
    EXPECT_EQ(data_.BufferCount(), 1);
    EXPECT_TRUE(data_.Bof());
    int count = 0, last = 0;
    while (!data_.Eof()) {
        EXPECT_EQ(Id(), last + 1);
        last = Id();
        ++count;
        data_.Next();
    }
    EXPECT_EQ(count, 100);
    EXPECT_EQ(Id(), 100);  // the last record stays active at the end
    data_.Prior();
    EXPECT_EQ(Id(), 99);
    data_.First();
    EXPECT_EQ(Id(), 1);
    EXPECT_TRUE(data_.Bof());
    data_.Last();
    EXPECT_EQ(Id(), 100);
    EXPECT_TRUE(data_.Eof());
    EXPECT_EQ(data_.MoveBy(-10), -10);
    EXPECT_EQ(Id(), 90);
    EXPECT_EQ(data_.MoveBy(50), 10);
    EXPECT_TRUE(data_.Eof());
}

TEST_F(DataSetTest, GridSizedRingFollowsItsLink) {
    TDataSource source;
    source.SetDataSet(&data_);
    TRecordingLink link;
    link.SetBufferCount(40);
    link.SetDataSource(&source);
    data_.Open();
    EXPECT_TRUE(link.Active());
    EXPECT_EQ(data_.BufferCount(), 40);
    EXPECT_EQ(link.RecordCount(), 40);
    EXPECT_EQ(link.ActiveRecord(), 0);
    data_.MoveBy(39);
    EXPECT_EQ(link.ActiveRecord(), 39);
    EXPECT_EQ(Id(), 40);
    const int scrolledBefore = link.Scrolled;
    data_.Next();  // past the window: the ring turns by one
    EXPECT_EQ(Id(), 41);
    EXPECT_EQ(link.ActiveRecord(), 39);
    EXPECT_EQ(link.Scrolled, scrolledBefore + 1);
    // The buffers hold records 2 to 41 in order.
    for (int i = 0; i < 40; ++i) {
        link.SetActiveRecord(i);
        EXPECT_EQ(Id(), i + 2);
    }
    data_.Last();
    EXPECT_EQ(link.ActiveRecord(), 39);
    data_.MoveBy(-45);
    EXPECT_EQ(Id(), 55);
    EXPECT_EQ(link.ActiveRecord(), 0);
    link.SetDataSource(nullptr);
    EXPECT_EQ(data_.BufferCount(), 1);
    EXPECT_EQ(Id(), 55);
}

TEST_F(DataSetTest, ResyncCentresOnTheBookmarkedRecord) {
    TDataSource source;
    source.SetDataSet(&data_);
    TRecordingLink link;
    link.SetBufferCount(11);
    link.SetDataSource(&source);
    data_.Open();
    data_.MoveBy(49);
    const TBookmark fifty = data_.GetBookmark();
    data_.First();
    data_.GotoBookmark(fifty);
    EXPECT_EQ(Id(), 50);
    EXPECT_EQ(link.ActiveRecord(), 5);  // centred
    // Refresh puts the cursor on the active record and keeps its place in the buffers.
    data_.Refresh();
    EXPECT_EQ(Id(), 50);
    EXPECT_EQ(link.ActiveRecord(), 5);
    EXPECT_EQ(data_.CompareBookmarks(fifty, data_.GetBookmark()), 0);
    data_.Next();
    EXPECT_EQ(data_.CompareBookmarks(fifty, data_.GetBookmark()), -1);
}

TEST_F(DataSetTest, EditPostsOrCancelsAtTheBrowseModeCheck) {
    data_.Open();
    data_.Edit();
    EXPECT_EQ(data_.State(), TDataSetState::dsEdit);
    data_.FieldByName("Name").SetAsString("Geändert");
    EXPECT_TRUE(data_.Modified());
    data_.Next();  // posts
    EXPECT_EQ(data_.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(std::get<std::string>(*data_.Rows()[0].Values[1]), "Geändert");
    data_.Edit();
    data_.Next();  // nothing changed: cancelled
    EXPECT_EQ(std::get<std::string>(*data_.Rows()[1].Values[1]), "Name 2");
    EXPECT_THROW(data_.FieldByName("Name").SetAsString("x"), EDatabaseError);  // not editing
}

TEST_F(DataSetTest, InsertAppendCancelAndDeleteKeepTheRecordsInPlace) {
    std::vector<std::string> events;
    data_.BeforeInsert = [&](TDataSet&) { events.push_back("BeforeInsert"); };
    data_.OnNewRecord = [&](TDataSet& ds) {
        events.push_back("OnNewRecord");
        ds.FieldByName("Betrag").SetAsFloat(1.5);
    };
    data_.AfterInsert = [&](TDataSet&) { events.push_back("AfterInsert"); };
    data_.BeforePost = [&](TDataSet&) { events.push_back("BeforePost"); };
    data_.AfterPost = [&](TDataSet&) { events.push_back("AfterPost"); };
    data_.Open();
    data_.MoveBy(2);
    data_.Insert();
    EXPECT_EQ(data_.State(), TDataSetState::dsInsert);
    EXPECT_EQ(data_.FieldByName("Betrag").AsFloat(), 1.5);
    data_.FieldByName("ID").SetAsInteger(1000);
    data_.Post();
    EXPECT_EQ(events, (std::vector<std::string>{"BeforeInsert", "OnNewRecord", "AfterInsert",
                                                "BeforePost", "AfterPost"}));
    EXPECT_EQ(Id(), 1000);
    EXPECT_EQ(std::get<std::int32_t>(*data_.Rows()[2].Values[0]), 1000);  // before the third record
    data_.Append();
    data_.FieldByName("ID").SetAsInteger(2000);
    data_.Post();
    EXPECT_EQ(std::get<std::int32_t>(*data_.Rows().back().Values[0]), 2000);
    data_.First();
    data_.Insert();
    data_.Cancel();
    EXPECT_EQ(Id(), 1);
    EXPECT_EQ(data_.Rows().size(), 102u);
    data_.Next();
    data_.Delete();
    EXPECT_EQ(Id(), 1000);  // the next record becomes current
    EXPECT_EQ(data_.Rows().size(), 101u);
}

TEST_F(DataSetTest, ErrorEventsDecideBetweenFailAbortAndRetry) {
    data_.Open();
    int calls = 0;
    data_.OnPostError = [&](TDataSet&, Exception& e, TDataAction& action) {
        ++calls;
        EXPECT_STREQ(e.what(), "Schreiben fehlgeschlagen");
        action = TDataAction::daRetry;
    };
    data_.FailPosts = 2;
    data_.Edit();
    data_.FieldByName("Name").SetAsString("nach zwei Versuchen");
    data_.Post();
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(data_.FieldByName("Name").AsString(), "nach zwei Versuchen");

    data_.OnDeleteError = [](TDataSet&, Exception&, TDataAction& action) {
        action = TDataAction::daAbort;
    };
    data_.FailDeletes = 1;
    EXPECT_THROW(data_.Delete(), EAbort);
    data_.OnDeleteError = nullptr;
    data_.FailDeletes = 1;
    EXPECT_THROW(data_.Delete(), EDatabaseError);
    EXPECT_EQ(data_.Rows().size(), 100u);
}

TEST_F(DataSetTest, InsertFromValuesAssignsByPositionAndRestoresOnFailure) {
    data_.Open();
    data_.MoveBy(4);
    data_.InsertFromValues({Variant(500), Variant("Neu"), Variant(2.25)});
    EXPECT_EQ(Id(), 500);
    EXPECT_EQ(data_.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(data_.Rows()[4].Values[2], TFieldData(2.25));
    // An unassigned value leaves the field alone; null clears it.
    data_.InsertFromValues({Variant(501), Variant(), Variant::Null()});
    EXPECT_FALSE(data_.Rows()[4].Values[1].has_value());
    EXPECT_FALSE(data_.Rows()[4].Values[2].has_value());
    // A value the field refuses: nothing stored, the record before stays active.
    const size_t before = data_.Rows().size();
    const int active = Id();
    try {
        data_.InsertFromValues({Variant(502), Variant::Array(0, {Variant(1)})});
        FAIL() << "no error raised";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Ungültiger Wert für Feld 'Name'");
    }
    EXPECT_EQ(data_.Rows().size(), before);
    EXPECT_EQ(Id(), active);
    EXPECT_EQ(data_.State(), TDataSetState::dsBrowse);
}

TEST_F(DataSetTest, ReadOnlyDatasetRefusesChanges) {
    data_.ReadOnlyData = true;
    data_.Open();
    try {
        data_.Edit();
        FAIL() << "no error raised";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(),
                     "Eine Datenmenge, die nur zum Lesen ist, kann nicht geändert werden");
    }
    EXPECT_THROW(data_.InsertFromValues({Variant(1)}), EDatabaseError);
}

TEST_F(DataSetTest, CalculatedFieldsAndFiltersWorkOnTheirOwnBuffers) {
    auto* doubled = new TIntegerField(&data_);
    auto* id = new TIntegerField(&data_);
    id->SetFieldName("ID");
    id->SetFieldNo(1);
    id->SetDataSet(&data_);
    doubled->SetFieldName("Doppelt");
    doubled->SetFieldKind(TFieldKind::fkCalculated);
    doubled->SetDataSet(&data_);
    data_.OnCalcFields = [&](TDataSet&) { doubled->SetAsInteger(id->AsInteger() * 2); };
    data_.OnFilterRecord = [&](TDataSet&, bool& accept) { accept = id->AsInteger() % 10 == 0; };
    data_.SetFiltered(true);
    data_.Open();
    EXPECT_FALSE(data_.DefaultFields());
    EXPECT_EQ(id->AsInteger(), 10);
    EXPECT_EQ(doubled->AsInteger(), 20);
    data_.Next();
    EXPECT_EQ(id->AsInteger(), 20);
    EXPECT_EQ(doubled->AsInteger(), 40);
    int count = 0;
    for (data_.First(); !data_.Eof(); data_.Next()) ++count;
    EXPECT_EQ(count, 10);
}

TEST_F(DataSetTest, FieldLookupAndClosedDatasetMessages) {
    EXPECT_THROW(data_.Edit(), EDatabaseError);
    data_.SetName("Kunden");
    data_.Open();
    try {
        data_.FieldByName("Fehlt");
        FAIL() << "no error raised";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Kunden: Feld 'Fehlt' nicht gefunden");
    }
    EXPECT_EQ(data_.FindField("name"), &data_.FieldByName("NAME"));
    EXPECT_EQ(data_.RecordCount(), 100);
    data_.MoveBy(7);
    EXPECT_EQ(data_.RecNo(), 8);
    data_.Close();
    EXPECT_EQ(data_.FieldCount(), 0);  // default fields go with the cursor
}

TEST_F(DataSetTest, DisabledControlsHearOneChangeAtTheEnd) {
    TDataSource source;
    source.SetDataSet(&data_);
    TRecordingLink link;
    link.SetDataSource(&source);
    data_.Open();
    const int changes = link.Changed + link.Scrolled;
    data_.DisableControls();
    for (int i = 0; i < 10; ++i) data_.Next();
    EXPECT_EQ(link.Changed + link.Scrolled, changes);
    data_.EnableControls();
    EXPECT_EQ(link.Changed + link.Scrolled, changes + 1);
    EXPECT_FALSE(data_.ControlsDisabled());
}

TEST_F(DataSetTest, LinksFollowStateAndCircularLinksAreRefused) {
    TDataSource source;
    source.SetDataSet(&data_);
    TRecordingLink link;
    link.SetDataSource(&source);
    EXPECT_FALSE(link.Active());
    data_.Open();
    EXPECT_TRUE(link.Active());
    data_.Edit();
    EXPECT_TRUE(link.Editing());
    data_.Cancel();
    EXPECT_FALSE(link.Editing());
    data_.Close();
    EXPECT_FALSE(link.Active());
    EXPECT_FALSE(data_.IsLinkedTo(nullptr));
    EXPECT_TRUE(data_.IsLinkedTo(&source));
}

}  // namespace
}  // namespace zalvert::testing

namespace zalvert::testing {
namespace {

// A dataset that answers lookups from a fixed table and counts them.
class TTownLookup : public TMemDataSet {
  public:
    TTownLookup() : TMemDataSet({{"Plz", TFieldType::ftInteger}}) {}
    int Lookups = 0;
    Variant Lookup(const std::string& keyFields, const Variant& key,
                   const std::string& resultFields) override {
        ++Lookups;
        EXPECT_EQ(keyFields, "Plz");
        EXPECT_EQ(resultFields, "Ort");
        return key.AsInteger() == 28195 ? Variant("Bremen") : Variant::Null();
    }
};

TEST(LookupFields, TakeTheirValueFromTheLookupDatasetOncePerKeyWithCache) {
    TTownLookup towns;
    TMemDataSet customers({{"Name", TFieldType::ftString, 10}, {"Plz", TFieldType::ftInteger}});
    for (int i = 0; i < 5; ++i)
        customers.AddRow({TFieldData("K" + std::to_string(i)), TFieldData(std::int32_t{28195})});
    auto* name = new TStringField(&customers, 10);
    name->SetFieldName("Name");
    name->SetFieldNo(1);
    name->SetDataSet(&customers);
    auto* plz = new TIntegerField(&customers);
    plz->SetFieldName("Plz");
    plz->SetFieldNo(2);
    plz->SetDataSet(&customers);
    auto* town = new TStringField(&customers, 20);
    town->SetFieldName("Ort");
    town->SetFieldKind(TFieldKind::fkLookup);
    town->LookupDataSet = &towns;
    town->KeyFields = "Plz";
    town->LookupKeyFields = "Plz";
    town->LookupResultField = "Ort";
    town->LookupCache = true;
    town->SetDataSet(&customers);
    customers.Open();
    for (customers.First(); !customers.Eof(); customers.Next())
        EXPECT_EQ(town->AsString(), "Bremen");
    EXPECT_EQ(towns.Lookups, 1);
    town->RefreshLookupList();
    customers.Refresh();
    EXPECT_EQ(towns.Lookups, 2);
}

TEST(StoredActive, OpensWhenLoadingEnds) {
    TMemDataSet data({{"ID", TFieldType::ftInteger}});
    data.AddRow({TFieldData(std::int32_t{7})});
    data.BeginLoading();
    data.SetActive(true);
    EXPECT_FALSE(data.Active());
    data.EndLoading();
    EXPECT_TRUE(data.Active());
    EXPECT_EQ(data.FieldByName("ID").AsInteger(), 7);
    EXPECT_EQ(data.CreateBlobStream(data.FieldByName("ID"), TBlobStreamMode::bmRead), nullptr);
}

TEST(MemoryStream, ReadsWhatWasWritten) {
    TMemoryStream stream;
    stream.Write("Hallo Welt", 10);
    EXPECT_EQ(stream.Size(), 10);
    stream.Seek(6, TSeekOrigin::Beginning);
    char part[8] = {};
    EXPECT_EQ(stream.Read(part, 8), 4u);
    EXPECT_STREQ(part, "Welt");
    EXPECT_EQ(stream.ReadAllText(), "Hallo Welt");
}

}  // namespace
}  // namespace zalvert::testing
