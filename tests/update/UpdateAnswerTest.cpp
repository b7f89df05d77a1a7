#include "update/UpdateAnswer.h"

#include <gtest/gtest.h>

namespace {

UpdateAnswer Parse(const QString& text, int previousStatus = 0)
{
    UpdateAnswer answer;
    answer.status = previousStatus;
    answer.nextCheckInDays = 99;
    ParseUpdateAnswer(text, answer);
    return answer;
}

TEST(UpdateAnswer, ReadsTagsWithOpeningAndClosingTag)
{
    const UpdateAnswer a = Parse(
        "<status>2</status><message40>New</message40>"
        "<updateurl>http://u.example/get</updateurl><nextcheckindays>14</nextcheckindays>");
    EXPECT_EQ(a.status, 2);
    EXPECT_EQ(a.Message(), "New");
    EXPECT_EQ(a.updateUrl, "http://u.example/get");
    EXPECT_EQ(a.moreInfoUrl, "");
    EXPECT_EQ(a.nextCheckInDays, 14);
}

TEST(UpdateAnswer, ReadsSelfClosingTagsWithTheirLeadingBlanks)
{
    EXPECT_EQ(AnswerTagValue("<status 1/>", "status"), " 1");
    EXPECT_EQ(Parse("<status 1/>").status, 1);
    EXPECT_EQ(Parse("<nextcheckindays\t 3 />").nextCheckInDays, 3);
    // An opening tag with nothing before its closing tag falls back to the self-closing form.
    EXPECT_EQ(AnswerTagValue("<message40></message40>", "message40"), "");
    // Neither form: empty.
    EXPECT_EQ(AnswerTagValue("<message40 unterminated", "message40"), "");
}

TEST(UpdateAnswer, TagNameThatPrefixesALongerOneMatchesTheFirst)
{
    // "<status" first occurs as the start of "<statuscode"; its value runs to "</status>".
    EXPECT_EQ(AnswerTagValue("<statuscode>5</statuscode><status>2</status>", "status"), "5</statuscode><status>2");
    EXPECT_EQ(Parse("<statuscode>5</statuscode><status>2</status>").status, 5);
    // Matching is case-sensitive.
    EXPECT_EQ(Parse("<STATUS>2</STATUS>", 0).status, 0);
}

TEST(UpdateAnswer, MissingTagsKeepTheStatusAndClearTheRest)
{
    const UpdateAnswer a = Parse("<message80>Medium</message80>", 0);
    EXPECT_EQ(a.status, 0);
    EXPECT_EQ(a.nextCheckInDays, 0);
    EXPECT_EQ(a.message80, "Medium");
    EXPECT_EQ(Parse("nothing here", 1).status, 1);
    EXPECT_EQ(Parse("<status></status>", 1).status, 0);
}

TEST(UpdateAnswer, MessagePrefersTheLongest)
{
    UpdateAnswer a;
    a.message40 = "forty";
    EXPECT_EQ(a.Message(), "forty");
    a.message80 = "eighty";
    EXPECT_EQ(a.Message(), "eighty");
    a.message250 = "long";
    EXPECT_EQ(a.Message(), "long");
}

TEST(UpdateAnswer, NumbersReadLikeTheServiceWritesThem)
{
    EXPECT_EQ(AnswerNumber(""), 0);
    EXPECT_EQ(AnswerNumber("  \t12"), 12);
    EXPECT_EQ(AnswerNumber("7days"), 7);
    EXPECT_EQ(AnswerNumber("-3"), -3);
    EXPECT_EQ(AnswerNumber("x7"), 0);
    EXPECT_EQ(AnswerNumber("99999999999999999999"), 2147483647);
    // Out of range below: the smallest int, which is one further from 0 than the largest.
    EXPECT_EQ(AnswerNumber("-99999999999999999999"), -2147483647 - 1);
    EXPECT_EQ(AnswerNumber("-2147483648"), -2147483647 - 1);
}

TEST(UpdateAnswer, OnlyWebAddressesAreOpened)
{
    EXPECT_EQ(WebPageUrl("http://u.example/get"), QUrl("http://u.example/get"));
    EXPECT_EQ(WebPageUrl(" HTTPS://u.example/ "), QUrl("https://u.example/"));
    for (const char* bad : {"", "file:///etc/passwd", "javascript:alert(1)", "mailto:a@b.example", "/usr/bin/xterm",
                            "u.example/get", "http://", "smb://u.example/share"})
        EXPECT_TRUE(WebPageUrl(bad).isEmpty()) << bad;
}

}  // namespace
