#pragma once
// The update service's answer: a small text of tags such as
// "<status>1</status>" or "<status 1/>", read into the fields the update
// dialog shows.

#include <QString>
#include <QUrl>

struct UpdateAnswer {
    int status = 0;           // 0 nothing to tell, 2 critical update, other values an update
    QString message40;        // short message
    QString message80;        // medium message
    QString message250;       // long message
    QString updateUrl;        // page of the Get update button
    QString moreInfoUrl;      // page of the More information button
    int nextCheckInDays = 0;  // days until the next check; 0 when the tag is missing

    static constexpr int kCritical = 2;

    // The longest message that is not empty (250, then 80, then 40), or empty.
    QString Message() const;
};

// The answer text is cut to this many characters before it is parsed.
inline constexpr int kMaxAnswerLength = 1023;

// Reads every known tag of `text` into `answer`. Text fields and the next
// check become empty or 0 when their tag is missing; the status keeps its
// value then.
void ParseUpdateAnswer(const QString& text, UpdateAnswer& answer);

// The value of tag `name`: the text between "<name ...>" and "</name>", else
// the text between "<name" and the next "/>", else empty. The first "<name"
// counts, even when it starts a longer tag name.
QString AnswerTagValue(const QString& text, const QString& name);

// A decimal number as the answer writes it: leading blanks skipped, an
// optional sign, the digits up to the first other character; 0 when there are none.
int AnswerNumber(const QString& value);

// The address of a page the answer names, when it is an http or https
// address with a host; an empty URL for anything else, which is never opened.
QUrl WebPageUrl(const QString& address);
