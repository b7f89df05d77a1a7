#pragma once
// What a PDF file made by Qt's PDF writer shows: its pages in order with their
// sizes, where each page draws its pictures (in points, after every matrix of
// the page's content) and how many pixels those pictures have, and its title.
// Enough of the format for these files; not a general reader.

#include <QByteArray>
#include <QFile>
#include <QRectF>
#include <QRegularExpression>
#include <QSizeF>
#include <QString>
#include <QStringDecoder>
#include <QTransform>

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

namespace testsupport {

struct PdfPicture {
    QRectF placed;  // on the page, in points from its bottom left
    QSize pixels;
};

struct PdfPage {
    QSizeF size;  // the media box, in points
    std::vector<PdfPicture> pictures;
};

struct PdfContents {
    bool read = false;
    QString title;
    std::vector<PdfPage> pages;
};

namespace pdfdetail {

// The text of object `number` up to its "endobj".
inline QByteArray Object(const QByteArray& file, int number)
{
    const QRegularExpression start(QStringLiteral("(?:^|\\s)%1 0 obj\\b").arg(number));
    const QRegularExpressionMatch m = start.match(QString::fromLatin1(file));
    if (!m.hasMatch())
        return {};
    const qsizetype end = file.indexOf("endobj", m.capturedEnd());
    return file.mid(m.capturedEnd(), end < 0 ? -1 : end - m.capturedEnd());
}

inline int Reference(const QByteArray& object, const char* key)
{
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("%1\\s+(\\d+)\\s+0\\s+R").arg(QLatin1String(key)))
            .match(QString::fromLatin1(object));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

inline int Number(const QByteArray& object, const char* key)
{
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("%1\\s+(\\d+)(?!\\s+0\\s+R)").arg(QLatin1String(key)))
            .match(QString::fromLatin1(object));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The stream of an object, inflated when it is compressed.
inline QByteArray Stream(const QByteArray& object)
{
    qsizetype begin = object.indexOf("stream");
    const qsizetype end = object.lastIndexOf("endstream");
    if (begin < 0 || end < 0)
        return {};
    begin += 6;
    while (begin < end && (object[begin] == '\r' || object[begin] == '\n'))
        ++begin;
    const QByteArray raw = object.mid(begin, end - begin);
    if (!object.left(begin).contains("/FlateDecode"))
        return raw;
    QByteArray out(int(raw.size()) * 20 + 4096, '\0');
    z_stream zs{};
    inflateInit(&zs);
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.constData()));
    zs.avail_in = uInt(raw.size());
    int status = Z_OK;
    while (status == Z_OK) {
        zs.next_out = reinterpret_cast<Bytef*>(out.data()) + zs.total_out;
        zs.avail_out = uInt(out.size() - qsizetype(zs.total_out));
        status = inflate(&zs, Z_NO_FLUSH);
        if (status == Z_OK && zs.avail_out == 0)
            out.resize(out.size() * 2);
    }
    out.resize(qsizetype(zs.total_out));
    inflateEnd(&zs);
    return out;
}

// A literal string's bytes, its escapes undone.
inline QByteArray Literal(const QByteArray& text)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char c = text[++i];
            out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
        } else {
            out += text[i];
        }
    }
    return out;
}

inline QString TextString(const QByteArray& bytes)
{
    if (bytes.startsWith("\xfe\xff")) {
        QStringDecoder utf16(QStringDecoder::Utf16BE);
        return utf16(bytes.mid(2));
    }
    return QString::fromLatin1(bytes);
}

// Follows q, Q and cm through a content stream; each Do places the unit square.
inline std::vector<PdfPicture> Pictures(const QByteArray& file, const QByteArray& content)
{
    std::vector<PdfPicture> pictures;
    std::vector<QTransform> saved;
    QTransform ctm;
    std::vector<double> operands;
    QByteArray name;
    for (const QByteArray& token : content.simplified().split(' ')) {
        bool number = false;
        const double value = token.toDouble(&number);
        if (number) {
            operands.push_back(value);
            continue;
        }
        if (token.startsWith('/')) {
            name = token.mid(1);
        } else if (token == "q") {
            saved.push_back(ctm);
        } else if (token == "Q" && !saved.empty()) {
            ctm = saved.back();
            saved.pop_back();
        } else if (token == "cm" && operands.size() >= 6) {
            const double* m = operands.data() + operands.size() - 6;
            ctm = QTransform(m[0], m[1], m[2], m[3], m[4], m[5]) * ctm;
        } else if (token == "Do") {
            const int image = Reference(file, ("/" + name).constData());
            const QByteArray object = Object(file, image);
            pictures.push_back(
                {ctm.mapRect(QRectF(0, 0, 1, 1)), QSize(Number(object, "/Width"), Number(object, "/Height"))});
        }
        operands.clear();
    }
    return pictures;
}

}  // namespace pdfdetail

inline PdfContents ReadPdf(const QString& path)
{
    PdfContents pdf;
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return pdf;
    const QByteArray file = in.readAll();
    if (!file.startsWith("%PDF"))
        return pdf;
    const QRegularExpressionMatch title = QRegularExpression(QStringLiteral("/Title \\(((?:[^\\\\)]|\\\\.)*)\\)"),
                                                             QRegularExpression::DotMatchesEverythingOption)
                                              .match(QString::fromLatin1(file));
    if (title.hasMatch())
        pdf.title = pdfdetail::TextString(pdfdetail::Literal(title.captured(1).toLatin1()));

    // The page tree's kids, in order.
    const QRegularExpressionMatch kids =
        QRegularExpression(QStringLiteral("/Kids\\s*\\[([^\\]]*)\\]")).match(QString::fromLatin1(file));
    if (!kids.hasMatch())
        return pdf;
    QRegularExpressionMatchIterator it =
        QRegularExpression(QStringLiteral("(\\d+)\\s+0\\s+R")).globalMatch(kids.captured(1));
    while (it.hasNext()) {
        const QByteArray page = pdfdetail::Object(file, it.next().captured(1).toInt());
        PdfPage shown;
        const QRegularExpressionMatch box =
            QRegularExpression(QStringLiteral("/MediaBox\\s*\\[\\s*0\\s+0\\s+([0-9.]+)\\s+([0-9.]+)"))
                .match(QString::fromLatin1(page));
        if (box.hasMatch())
            shown.size = QSizeF(box.captured(1).toDouble(), box.captured(2).toDouble());
        const QByteArray content = pdfdetail::Stream(pdfdetail::Object(file, pdfdetail::Reference(page, "/Contents")));
        shown.pictures = pdfdetail::Pictures(file, content);
        pdf.pages.push_back(std::move(shown));
    }
    pdf.read = true;
    return pdf;
}

// Both files have the same pages, each with one picture of the same pixels in
// the same place (to half a point).
inline void ExpectSamePages(const PdfContents& a, const PdfContents& b)
{
    ASSERT_TRUE(a.read && b.read);
    ASSERT_EQ(a.pages.size(), b.pages.size());
    for (size_t i = 0; i < a.pages.size(); ++i) {
        EXPECT_NEAR(a.pages[i].size.width(), b.pages[i].size.width(), 0.5) << "page " << i;
        EXPECT_NEAR(a.pages[i].size.height(), b.pages[i].size.height(), 0.5) << "page " << i;
        ASSERT_EQ(a.pages[i].pictures.size(), 1u) << "page " << i;
        ASSERT_EQ(b.pages[i].pictures.size(), 1u) << "page " << i;
        const PdfPicture& p = a.pages[i].pictures[0];
        const PdfPicture& q = b.pages[i].pictures[0];
        EXPECT_EQ(p.pixels, q.pixels) << "page " << i;
        EXPECT_NEAR(p.placed.left(), q.placed.left(), 0.5) << "page " << i;
        EXPECT_NEAR(p.placed.top(), q.placed.top(), 0.5) << "page " << i;
        EXPECT_NEAR(p.placed.width(), q.placed.width(), 0.5) << "page " << i;
        EXPECT_NEAR(p.placed.height(), q.placed.height(), 0.5) << "page " << i;
    }
}

}  // namespace testsupport
