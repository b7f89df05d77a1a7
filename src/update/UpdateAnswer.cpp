#include "update/UpdateAnswer.h"

#include <limits>

QString UpdateAnswer::Message() const
{
    if (!message250.isEmpty())
        return message250;
    if (!message80.isEmpty())
        return message80;
    return message40;
}

QString AnswerTagValue(const QString& text, const QString& name)
{
    const QString opening = QLatin1Char('<') + name;
    const qsizetype open = text.indexOf(opening);
    if (open < 0)
        return {};
    // The form with an opening and a closing tag.
    const qsizetype close = text.indexOf(QStringLiteral("</") + name + QLatin1Char('>'), open);
    const qsizetype openEnd = text.indexOf(QLatin1Char('>'), open);
    if (close >= 0 && openEnd >= 0 && openEnd + 1 < close)
        return text.mid(openEnd + 1, close - openEnd - 1);
    // The self-closing form: everything after the name up to "/>".
    const qsizetype valueStart = open + opening.size();
    const qsizetype selfClose = text.indexOf(QStringLiteral("/>"), open);
    if (selfClose < valueStart)
        return {};
    return text.mid(valueStart, selfClose - valueStart);
}

int AnswerNumber(const QString& value)
{
    qsizetype i = 0;
    while (i < value.size() && value[i].isSpace())
        ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == QLatin1Char('-') || value[i] == QLatin1Char('+'))) {
        negative = value[i] == QLatin1Char('-');
        ++i;
    }
    long long number = 0;
    for (; i < value.size() && value[i] >= QLatin1Char('0') && value[i] <= QLatin1Char('9'); ++i) {
        number = number * 10 + (value[i].unicode() - '0');
        if (number > std::numeric_limits<int>::max())
            return negative ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
    }
    return int(negative ? -number : number);
}

void ParseUpdateAnswer(const QString& text, UpdateAnswer& answer)
{
    const QString status = AnswerTagValue(text, QStringLiteral("status"));
    if (text.contains(QStringLiteral("<status")))
        answer.status = AnswerNumber(status);
    answer.message40 = AnswerTagValue(text, QStringLiteral("message40"));
    answer.message80 = AnswerTagValue(text, QStringLiteral("message80"));
    answer.message250 = AnswerTagValue(text, QStringLiteral("message250"));
    answer.updateUrl = AnswerTagValue(text, QStringLiteral("updateurl"));
    answer.moreInfoUrl = AnswerTagValue(text, QStringLiteral("moreinfourl"));
    answer.nextCheckInDays = AnswerNumber(AnswerTagValue(text, QStringLiteral("nextcheckindays")));
}

QUrl WebPageUrl(const QString& address)
{
    const QUrl url(address.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return {};
    return url;
}
