#include <gtest/gtest.h>

#include <utility>

#include "rtl/DateTime.h"
#include "rtl/Exceptions.h"
#include "rtl/FormatSettings.h"
#include "tests/dataset/MemDataSet.h"

namespace zalvert::testing {
namespace {

class FieldTest : public ::testing::Test {
  protected:
    void SetUp() override {
        FormatSettings() = TFormatSettings::German();
        data_.AddRow({std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                      std::nullopt, std::nullopt, std::nullopt});
        data_.Open();
        data_.Edit();
    }
    TField& F(const char* name) { return data_.FieldByName(name); }

    TMemDataSet data_{{{"Text", TFieldType::ftString, 5},
                       {"Klein", TFieldType::ftSmallint},
                       {"Zahl", TFieldType::ftInteger},
                       {"Ja", TFieldType::ftBoolean},
                       {"Betrag", TFieldType::ftCurrency},
                       {"Wert", TFieldType::ftFloat},
                       {"Wann", TFieldType::ftDateTime},
                       {"Notiz", TFieldType::ftMemo}}};
};

TEST_F(FieldTest, CreatesTheFieldClassOfEachType) {
    EXPECT_NE(dynamic_cast<TStringField*>(&F("Text")), nullptr);
    EXPECT_NE(dynamic_cast<TSmallintField*>(&F("Klein")), nullptr);
    EXPECT_NE(dynamic_cast<TBooleanField*>(&F("Ja")), nullptr);
    EXPECT_NE(dynamic_cast<TCurrencyField*>(&F("Betrag")), nullptr);
    EXPECT_NE(dynamic_cast<TDateTimeField*>(&F("Wann")), nullptr);
    EXPECT_NE(dynamic_cast<TMemoField*>(&F("Notiz")), nullptr);
    EXPECT_EQ(F("Zahl").FieldNo(), 3);
    EXPECT_EQ(F("Text").Size(), 5);
}

TEST_F(FieldTest, NullIsNotEmptyText) {
    EXPECT_TRUE(F("Text").IsNull());
    F("Text").SetAsString("");
    EXPECT_FALSE(F("Text").IsNull());
    EXPECT_EQ(F("Text").AsString(), "");
    F("Text").Clear();
    EXPECT_TRUE(F("Text").IsNull());
    EXPECT_TRUE(F("Zahl").AsVariant().IsNull());
    EXPECT_EQ(F("Zahl").AsInteger(), 0);
}

TEST_F(FieldTest, StringFieldsCutToTheirSize) {
    F("Text").SetAsString(
        "M\xC3\xBCllerstra\xC3\x9F"
        "e");
    EXPECT_EQ(F("Text").AsString(),
              "M\xC3\xBCll"
              "e");
    // Five characters in six bytes are kept whole; four in five bytes too.
    F("Text").SetAsString("M\xC3\xBClle");
    EXPECT_EQ(F("Text").AsString(), "M\xC3\xBClle");
    F("Text").SetAsString("M\xC3\xBCll");
    EXPECT_EQ(F("Text").AsString(), "M\xC3\xBCll");
    F("Text").SetAsString("42");
    EXPECT_EQ(F("Text").AsInteger(), 42);
    F("Text").SetAsString("x");
    EXPECT_THROW(F("Text").AsInteger(), EDatabaseError);
}

TEST_F(FieldTest, IntegerFieldsCheckTheirRange) {
    F("Klein").SetAsInteger(32767);
    EXPECT_THROW(F("Klein").SetAsInteger(32768), EDatabaseError);
    F("Zahl").SetAsFloat(2.5);  // half to even
    EXPECT_EQ(F("Zahl").AsInteger(), 2);
    F("Zahl").SetAsString("-17");
    EXPECT_EQ(F("Zahl").AsVariant(), Variant(-17));
    try {
        F("Zahl").SetAsString("zwölf");
        FAIL() << "no error raised";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "'zwölf' ist kein gültiger Integerwert für Feld 'Zahl'");
    }
}

TEST_F(FieldTest, BooleansShowAsWahrAndFalsch) {
    F("Ja").SetAsBoolean(true);
    EXPECT_EQ(F("Ja").AsString(), "Wahr");
    EXPECT_EQ(F("Ja").DisplayText(), "Wahr");
    F("Ja").SetAsString("falsch");
    EXPECT_FALSE(F("Ja").AsBoolean());
    EXPECT_EQ(F("Ja").AsString(), "Falsch");
    F("Ja").SetAsString("True");
    EXPECT_TRUE(F("Ja").AsBoolean());
    EXPECT_THROW(F("Ja").SetAsString("vielleicht"), EDatabaseError);
}

TEST_F(FieldTest, NumbersAndCurrencyUseTheRegionalSettings) {
    F("Wert").SetAsString("12,5");
    EXPECT_EQ(F("Wert").AsFloat(), 12.5);
    EXPECT_EQ(F("Wert").AsString(), "12,5");
    F("Betrag").SetAsFloat(1234.5);
    EXPECT_EQ(F("Betrag").DisplayText(), "1.234,50 \xE2\x82\xAC");
    EXPECT_EQ(F("Betrag").AsVariant().Type(), TVarType::Currency);
    F("Betrag").SetAsFloat(-0.5);
    EXPECT_EQ(F("Betrag").DisplayText(), "-0,50 \xE2\x82\xAC");
}

TEST_F(FieldTest, DateTimesShowTheTimeOnlyWhenNotMidnight) {
    F("Wann").SetAsDateTime(EncodeDate(2024, 3, 31));
    EXPECT_EQ(F("Wann").DisplayText(), "31.03.2024");
    F("Wann").SetAsDateTime(EncodeDate(2024, 3, 31) + EncodeTime(12, 0, 0, 0));
    EXPECT_EQ(F("Wann").DisplayText(), "31.03.2024 12:00:00");
    TFieldData data;
    ASSERT_TRUE(F("Wann").GetData(&data));
    EXPECT_EQ(std::get<TDateTimeRec>(data), (TDateTimeRec{738976, 43200000}));
    F("Wann").SetAsString("24.12.2018");
    EXPECT_EQ(F("Wann").AsDateTime(), EncodeDate(2018, 12, 24));
    EXPECT_THROW(F("Wann").SetAsString("31.02.2018"), EConvertError);
}

TEST_F(FieldTest, EventsSeeTextsAndValidation) {
    F("Text").OnGetText = [](TField& f, std::string& text, bool display) {
        text = (display ? "[" : "(") + f.AsString() + (display ? "]" : ")");
    };
    F("Text").SetAsString("abc");
    EXPECT_EQ(F("Text").DisplayText(), "[abc]");
    EXPECT_EQ(F("Text").Text(), "(abc)");
    F("Text").OnSetText = [](TField& f, const std::string& text) { f.SetAsString(text + "!"); };
    F("Text").SetText("hi");
    EXPECT_EQ(F("Text").AsString(), "hi!");
    // A handler setting the field again while a text is on its way leaves that text.
    bool again = false;
    F("Text").OnValidate = [&](TField& f) {
        if (!std::exchange(again, true)) f.SetAsString("innen");
    };
    F("Text").SetAsString(
        "au\xC3\x9F"
        "en");
    EXPECT_TRUE(again);
    EXPECT_EQ(F("Text").AsString(),
              "au\xC3\x9F"
              "en");
    F("Text").OnValidate = nullptr;
    F("Zahl").OnValidate = [](TField&) { throw EDatabaseError("nicht erlaubt"); };
    EXPECT_THROW(F("Zahl").SetAsInteger(1), EDatabaseError);
    EXPECT_TRUE(F("Zahl").IsNull());
    // A read-only field is silently not written.
    F("Klein").SetAsInteger(5);
    F("Klein").SetReadOnly(true);
    EXPECT_NO_THROW(F("Klein").SetAsInteger(1));
    EXPECT_EQ(F("Klein").AsInteger(), 5);
}

TEST_F(FieldTest, RequiredFieldsAreCheckedAtPost) {
    data_.Cancel();
    data_.Close();
    TMemDataSet strict{{{"Name", TFieldType::ftString, 10, true}}};
    strict.Open();
    strict.Append();
    try {
        strict.Post();
        FAIL() << "no error raised";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Feld 'Name' muss einen Wert haben");
    }
    strict.FieldByName("Name").SetAsString("da");
    strict.Post();
    EXPECT_EQ(strict.Rows().size(), 1u);
}

}  // namespace
}  // namespace zalvert::testing
