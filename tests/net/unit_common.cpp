#include "net/Common.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <QFile>

namespace {

struct IntCase {
    const char* text;
    bool ok;
    int32_t value;
};

class WholeNumberReading : public ::testing::TestWithParam<IntCase> {};

TEST_P(WholeNumberReading, acceptsOnlyTheDocumentedForms)
{
    const auto& c = GetParam();
    int32_t value = 0;
    EXPECT_EQ(TryStrToInt(c.text, value), c.ok) << "'" << c.text << "'";
    if (c.ok) {
        EXPECT_EQ(value, c.value) << "'" << c.text << "'";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WholeNumberReading,
    ::testing::Values(IntCase{"$1F", true, 31}, IntCase{"$1f", true, 31}, IntCase{" 12", true, 12},
                      IntCase{"12 ", false, 0}, IntCase{"+5", true, 5}, IntCase{"-2147483648", true, INT32_MIN},
                      IntCase{"2147483647", true, INT32_MAX}, IntCase{"2147483648", false, 0},
                      IntCase{"-2147483649", false, 0}, IntCase{"$FFFFFFFF", true, -1},
                      IntCase{"$100000000", false, 0}, IntCase{"", false, 0}, IntCase{"   ", false, 0},
                      IntCase{"+", false, 0}, IntCase{"$", false, 0}, IntCase{"007", true, 7},
                      IntCase{"\t5", false, 0}, IntCase{"1e3", false, 0}, IntCase{"-$5", false, 0},
                      IntCase{"00000000000000000000042", true, 42}));

TEST(WholeNumberReading, failureCarriesTheTextRead)
{
    try {
        StrToInt("abc ");
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'abc ' is not a valid integer value");
    }
}

TEST(Trimming, removesBlanksAndControlCharactersOnly)
{
    EXPECT_EQ(Trim(" \t\r\n 10.0.0.1 \x01"), "10.0.0.1");
    EXPECT_EQ(Trim("a b"), "a b");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Trim("\xe9x\xe9"), "\xe9x\xe9");  // 8-bit letters stay
}

TEST(TextLineList, indexPastTheEndNamesTheIndex)
{
    TStringList list;
    list.Add("1");
    EXPECT_EQ(list.Strings(0), "1");
    try {
        (void)list.Strings(3);
        FAIL() << "no error";
    } catch (const EStringListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (3)");
    }
    EXPECT_THROW((void)list.Strings(-1), EStringListError);
}

TEST(TextLineList, readsEveryLineEndAndStopsAtNul)
{
    TStringList list;
    list.SetText(std::string("a\r\nb\rc\nd\r\n\r\ne\0f\r\n", 17));
    EXPECT_EQ(list.All(), (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
    list.SetText("x");
    EXPECT_EQ(list.All(), (std::vector<std::string>{"x"}));
    list.SetText("");
    EXPECT_EQ(list.Count(), 0);
}

TEST(TextLineList, savesEveryLineWithCrLfAndReadsItBack)
{
    QTemporaryDir dir;
    const std::string name = dir.filePath("list.txt").toStdString();
    TStringList list;
    list.Add("1");
    list.Add("");
    list.Add("254");
    ASSERT_TRUE(list.SaveToFile(name));
    QFile file(QString::fromStdString(name));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("1\r\n\r\n254\r\n"));
    TStringList again;
    ASSERT_TRUE(again.LoadFromFile(name));
    EXPECT_EQ(again.All(), list.All());
    EXPECT_FALSE(again.LoadFromFile(dir.filePath("missing").toStdString()));
    EXPECT_EQ(again.Count(), 0);
}

TEST(DottedAddress, parsesLikeTheSocketService)
{
    EXPECT_EQ(DottedText(ParseDottedAddress("10.0.0.1")), "10.0.0.1");
    EXPECT_EQ(ParseDottedAddress("255.255.255.255"), INADDR_ALL_ONES);
    EXPECT_EQ(ParseDottedAddress("256.1.1.1"), INADDR_ALL_ONES);
    EXPECT_EQ(ParseDottedAddress("host"), INADDR_ALL_ONES);
    EXPECT_EQ(DottedText(ParseDottedAddress("127.1")), "127.0.0.1");
}

} // namespace
