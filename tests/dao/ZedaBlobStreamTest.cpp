#include "dao/ZedaBlobStream.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "dataset/DatabaseError.h"
#include "rtl/FileErrors.h"
#include "tests/dao/DaoTableFixture.h"

namespace zalvert::testing {
namespace {

// A table with a memo that has a default, and a binary column.
class BlobStreams : public DaoTableTest {
  protected:
    void SetUp() override {
        DaoTableTest::SetUp();
        Execute("CREATE TABLE Anhang (nr COUNTER, notiz MEMO DEFAULT \"Neu\", daten LONGBINARY)");
        Execute("INSERT INTO Anhang (notiz) VALUES ('Hallo Welt!')");
        Execute("INSERT INTO Anhang (notiz) VALUES (NULL)");
    }

    TZedaDaoTable& Open(bool cacheMemos = false, bool cacheBlobs = false) {
        TZedaDaoTable& table = Table("Anhang");
        table.SetCacheMemos(cacheMemos);
        table.SetCacheBlobs(cacheBlobs);
        table.Open();
        return table;
    }

    static TBlobField& Blob(TZedaDaoTable& table, const char* name) {
        return dynamic_cast<TBlobField&>(table.FieldByName(name));
    }

    // The stored value, read past the table component.
    Variant Stored(int nr, const char* field) {
        auto rs = Engine().OpenRecordset(
            std::string("SELECT ") + field + " FROM Anhang WHERE nr = " + std::to_string(nr),
            engine::dbOpenSnapshot);
        return rs->Fields().Item(0)->Value();
    }

    static std::string ReadAll(TStream& stream) {
        std::string text(static_cast<size_t>(stream.Size()), '\0');
        text.resize(stream.Read(text.data(), text.size()));
        return text;
    }
};

TEST_F(BlobStreams, AMemoReadsItsTextFromTheEngineOrTheBuffer) {
    for (bool cached : {false, true}) {
        SCOPED_TRACE(cached);
        TZedaDaoTable& table = Open(cached);
        TBlobField& memo = Blob(table, "notiz");
        EXPECT_EQ(memo.AsString(), "Hallo Welt!");  // not the size the buffer keeps
        EXPECT_EQ(memo.BlobSize(), 11);
        auto stream = table.CreateBlobStream(memo, TBlobStreamMode::bmRead);
        char part[5] = {};
        EXPECT_EQ(stream->Read(part, 5), 5u);
        EXPECT_EQ(std::string(part, 5), "Hallo");
        stream->Seek(0, TSeekOrigin::End);
        EXPECT_EQ(stream->Read(part, 5), 0u);  // at the end
        stream->Seek(20, TSeekOrigin::Beginning);
        EXPECT_EQ(stream->Read(part, 5), 0u);  // beyond it
        table.Next();
        EXPECT_TRUE(memo.IsNull());
        EXPECT_EQ(memo.AsString(), "");
        table.Close();
    }
}

// A position outside the content is allowed, but no read or write there touches
// anything but the content.
TEST_F(BlobStreams, PositionsOutsideTheContentCopyNothingForeign) {
    TZedaDaoTable& table = Open();
    TBlobField& memo = Blob(table, "notiz");
    table.Edit();
    auto stream = table.CreateBlobStream(memo, TBlobStreamMode::bmReadWrite);
    char part[8] = {'-', '-', '-', '-', '-', '-', '-', '-'};
    EXPECT_EQ(stream->Seek(-2, TSeekOrigin::Beginning), -2);
    EXPECT_EQ(stream->Read(part, 8), 0u);
    EXPECT_EQ(std::string(part, 8), "--------");
    EXPECT_EQ(stream->Seek(-8, TSeekOrigin::Current), -10);
    EXPECT_EQ(stream->Read(part, 8), 0u);
    EXPECT_EQ(stream->Write("x", 1), 0u);
    EXPECT_EQ(stream->Size(), 11);
    // Beyond the end the gap reads as zero bytes.
    EXPECT_EQ(stream->Seek(2, TSeekOrigin::End), 13);
    EXPECT_EQ(stream->Write("!", 1), 1u);
    EXPECT_EQ(stream->Size(), 14);
    stream->Seek(9, TSeekOrigin::Beginning);
    EXPECT_EQ(stream->Read(part, 8), 5u);
    EXPECT_EQ(std::string(part, 5), std::string("t!\0\0!", 5));
    stream.reset();
    table.Cancel();
}

TEST_F(BlobStreams, CachedMemosShowTheirFirstLine) {
    TZedaDaoTable& table = Open(true);
    table.Edit();
    table.FieldByName("notiz").SetAsString("Zeile 1\r\nZeile 2");
    table.Post();
    EXPECT_EQ(table.FieldByName("notiz").DisplayText(), "Zeile 1");
    EXPECT_EQ(table.FieldByName("notiz").AsString(), "Zeile 1\r\nZeile 2");
}

TEST_F(BlobStreams, AWriteStreamClearsTheFieldAndWritesAtItsPosition) {
    TZedaDaoTable& table = Open();
    TBlobField& memo = Blob(table, "notiz");
    table.Edit();
    table.CreateBlobStream(memo, TBlobStreamMode::bmWrite).reset();  // nothing written
    table.Post();
    EXPECT_TRUE(Stored(1, "notiz").IsNull());

    table.Edit();
    memo.SetAsString(std::string(100, 'x'));
    table.Post();
    table.Edit();
    {
        auto stream = table.CreateBlobStream(memo, TBlobStreamMode::bmReadWrite);
        EXPECT_EQ(stream->Size(), 100);
        stream->Seek(0, TSeekOrigin::Beginning);
        EXPECT_EQ(stream->Write("0123456789", 10), 10u);
        EXPECT_EQ(stream->Size(), 10);  // what stood after the position is gone
    }
    EXPECT_EQ(memo.AsString(), "0123456789");  // this edit's content until it is posted
    table.Post();
    EXPECT_EQ(Stored(1, "notiz").AsString(), "0123456789");
}

TEST_F(BlobStreams, CancelDiscardsWhatAStreamWrote) {
    TZedaDaoTable& table = Open();
    TBlobField& memo = Blob(table, "notiz");
    table.Edit();
    memo.SetAsString("verworfen");
    table.Cancel();
    EXPECT_EQ(memo.AsString(), "Hallo Welt!");
    EXPECT_EQ(Stored(1, "notiz").AsString(), "Hallo Welt!");
}

TEST_F(BlobStreams, ANewRecordReadsTheColumnDefault) {
    for (bool cached : {false, true}) {
        SCOPED_TRACE(cached);
        TZedaDaoTable& table = Open(cached);
        table.Append();
        EXPECT_EQ(table.FieldByName("notiz").AsString(), "Neu");
        table.Cancel();
        table.Close();
    }
}

TEST_F(BlobStreams, RefusesWritesTheTableCannotKeep) {
    TZedaDaoTable& table = Table("Anhang", engine::dbOpenSnapshot);
    table.Open();
    TBlobField& memo = Blob(table, "notiz");
    EXPECT_EQ(MessageOf([&] { table.CreateBlobStream(memo, TBlobStreamMode::bmWrite); }),
              "Cannot write to ReadOnly table!");
    TZedaDaoTable& writable = Open();
    EXPECT_THROW(writable.CreateBlobStream(Blob(writable, "notiz"), TBlobStreamMode::bmWrite),
                 EDatabaseError);  // not in edit mode: the change would go nowhere
    TBlobField loose(nullptr);
    EXPECT_THROW(TZedaBlobStream(loose, TBlobStreamMode::bmRead), EInvalidCast);
    EXPECT_THROW(writable.CreateBlobStream(writable.FieldByName("nr"), TBlobStreamMode::bmRead),
                 EInvalidCast);
}

TEST_F(BlobStreams, TellTheControlsWhenTheyWrote) {
    TZedaDaoTable& table = Open();
    TDataSource source;
    source.SetDataSet(&table);
    int changes = 0;
    source.OnDataChange = [&](TDataSource&, TField* field) {
        if (field && field->FieldName() == "notiz") ++changes;
    };
    table.Edit();
    table.CreateBlobStream(Blob(table, "notiz"), TBlobStreamMode::bmRead).reset();
    EXPECT_EQ(changes, 0);
    Blob(table, "notiz").SetAsString("neu");
    EXPECT_EQ(changes, 1);
    // A control that fails to take the change is shown; the stream still ends.
    source.OnDataChange = [](TDataSource&, TField*) { throw EDatabaseError("Anzeige gestört"); };
    EXPECT_NO_THROW(Blob(table, "notiz").SetAsString("neuer"));
    ASSERT_EQ(ui_.Messages.size(), 1u);
    EXPECT_EQ(ui_.Messages[0], "Anzeige gestört");
    source.OnDataChange = nullptr;
    table.Post();
    EXPECT_EQ(Stored(1, "notiz").AsString(), "neuer");
}

TEST_F(BlobStreams, PassThroughTheEncrypterBothWays) {
    TReverser reverser;
    for (bool cached : {false, true}) {
        SCOPED_TRACE(cached);
        TZedaDaoTable& table = Table("Anhang");
        table.SetCacheMemos(cached);
        table.SetEncrypter(&reverser);
        table.Open();
        EXPECT_EQ(Blob(table, "notiz").AsString(), "!tleW ollaH");
        table.Edit();
        Blob(table, "notiz").SetAsString(cached ? "Nord" : "Sued");
        table.Post();
        EXPECT_EQ(Stored(1, "notiz").AsString(), cached ? "droN" : "deuS");
        table.Close();
        Execute("UPDATE Anhang SET notiz = 'Hallo Welt!' WHERE nr = 1");
    }
}

TEST_F(BlobStreams, ARowGoneSinceTheFetchReadsEmptyAndTheTableRecovers) {
    TZedaDaoTable& table = Open();
    SecondUser()->Execute("DELETE FROM Anhang WHERE nr = 1");
    EXPECT_EQ(Blob(table, "notiz").AsString(), "");
    EXPECT_TRUE(table.Active());
    table.First();
    EXPECT_EQ(table.FieldByName("nr").AsInteger(), 2);
}

TEST_F(BlobStreams, KeepEveryByteOfLargeAndBinaryValues) {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
    std::string memo(10 * 1024 * 1024, 'm');
    for (size_t i = 0; i < memo.size(); i += 997) memo[i] = static_cast<char>('a' + i % 26);
    {
        TZedaDaoTable& table = Open();
        table.Edit();
        Blob(table, "daten").SetAsString(bytes);
        Blob(table, "notiz").SetAsString(memo);
        table.Post();
        table.Close();
    }
    EXPECT_EQ(Stored(1, "daten").AsBytes(), TBytes(bytes.begin(), bytes.end()));
    for (bool cached : {false, true}) {
        SCOPED_TRACE(cached);
        TZedaDaoTable& table = Open(cached, cached);
        EXPECT_EQ(Blob(table, "daten").AsString(), bytes);
        const Variant value = Blob(table, "daten").AsVariant();
        EXPECT_EQ(value.AsBytes().size(), 256u);
        EXPECT_EQ(Blob(table, "notiz").AsString(), memo);
        TMemoryStream copy;
        Blob(table, "daten").SaveToStream(copy);
        EXPECT_EQ(std::string(copy.Data().begin(), copy.Data().end()), bytes);
        table.Close();
    }
}

TEST_F(BlobStreams, FieldsLoadAndSaveFilesThatNameThemInErrors) {
    TZedaDaoTable& table = Open();
    const std::string in = dir_.Write("anhang.bin", std::string("a\0b", 3));
    table.Edit();
    Blob(table, "daten").LoadFromFile(in);
    table.Post();
    const std::string out = dir_.Path() + "kopie.bin";
    Blob(table, "daten").SaveToFile(out);
    TMemoryStream saved;
    Blob(table, "daten").SaveToStream(saved);
    EXPECT_EQ(saved.Size(), 3);
    EXPECT_EQ(MessageOf([&] { Blob(table, "daten").SaveToFile(dir_.Path() + "fehlt/x.bin"); }),
              "Die Datei \"" + dir_.Path() +
                  "fehlt/x.bin\" kann nicht geschrieben werden: " + FileErrorText(ENOENT) + ".");
    table.Edit();
    EXPECT_NE(MessageOf([&] {
                  Blob(table, "daten").LoadFromFile(dir_.Path() + "nichts.bin");
              }).find("nichts.bin"),
              std::string::npos);
    table.Cancel();
}

}  // namespace
}  // namespace zalvert::testing
