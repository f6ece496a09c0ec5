#include "settings/profile.h"

#include <climits>
#include <cstring>

namespace ostra::profile {

namespace {

// A value enclosed in a matching pair of double or single quotes.
bool quotedPair(const char* v, qsizetype len) {
    return len >= 2 && (v[0] == '"' || v[0] == '\'') && v[len - 1] == v[0];
}

// Longest value handed back by a read, as with the Windows profile calls
// and their 2048-character buffers.
constexpr qsizetype kMaxValueLength = 2047;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// Byte range [begin, end) of the content equals name, ASCII case ignored.
bool sameName(const char* begin, const char* end, const QByteArray& name) {
    if (end - begin != name.size()) return false;
    const char* n = name.constData();
    for (const char* p = begin; p != end; ++p, ++n) {
        if (lowerAscii(*p) != lowerAscii(*n)) return false;
    }
    return true;
}

QByteArray trimmedUtf8(const QString& text) {
    QByteArray bytes = text.toUtf8();
    qsizetype b = 0;
    qsizetype e = bytes.size();
    while (b < e && isBlank(bytes[b])) ++b;
    while (e > b && isBlank(bytes[e - 1])) --e;
    return bytes.mid(b, e - b);
}

// What a scan of the content found for one section and key. Offsets are
// byte positions in the content.
struct Scan {
    bool sectionFound = false;
    // Where a new key of the section goes: after its last key line, or after
    // its header when it has none.
    qsizetype insertAt = 0;
    // The line at insertAt has no line break of its own (end of file).
    bool insertNeedsBreak = false;

    bool keyFound = false;
    qsizetype keyBegin = 0;  // the key as stored, without surrounding blanks
    qsizetype keyEnd = 0;
    qsizetype bodyEnd = 0;     // end of the key's line, before its line break
    qsizetype valueBegin = 0;  // the value, without surrounding blanks
    qsizetype valueEnd = 0;
};

// Walks the lines of the content. Lines end with "\n" or "\r\n"; the last
// line may have no line break. The first header that names the section
// opens it, the next header of any name closes it; lines before the first
// header belong to no section. Stops at the first matching key.
Scan scan(const QByteArray& content, const QByteArray& section, const QByteArray& key) {
    Scan s;
    const char* const base = content.constData();
    const char* const stop = base + content.size();
    bool inSection = false;

    const char* line = base;
    while (line < stop) {
        const char* nl = static_cast<const char*>(memchr(line, '\n', size_t(stop - line)));
        const char* lineEnd = nl ? nl + 1 : stop;
        const char* body = nl ? nl : stop;
        if (nl && body > line && body[-1] == '\r') --body;

        const char* tb = line;
        const char* te = body;
        while (tb < te && isBlank(*tb)) ++tb;
        while (te > tb && isBlank(te[-1])) --te;

        if (tb < te && *tb != ';' && *tb != '#') {
            bool header = false;
            if (*tb == '[') {
                const char* close = static_cast<const char*>(memchr(tb + 1, ']', size_t(te - tb - 1)));
                if (close) {
                    header = true;
                    if (inSection) return s;  // the section ends here
                    const char* nb = tb + 1;
                    const char* ne = close;
                    while (nb < ne && isBlank(*nb)) ++nb;
                    while (ne > nb && isBlank(ne[-1])) --ne;
                    if (!s.sectionFound && sameName(nb, ne, section)) {
                        s.sectionFound = true;
                        inSection = true;
                        s.insertAt = lineEnd - base;
                        s.insertNeedsBreak = (nl == nullptr);
                    }
                }
            }
            if (!header && inSection) {
                const char* eq = static_cast<const char*>(memchr(tb, '=', size_t(te - tb)));
                if (eq) {
                    const char* ke = eq;
                    while (ke > tb && isBlank(ke[-1])) --ke;
                    if (ke > tb) {  // a key line
                        s.insertAt = lineEnd - base;
                        s.insertNeedsBreak = (nl == nullptr);
                        if (sameName(tb, ke, key)) {
                            const char* vb = eq + 1;
                            while (vb < te && isBlank(*vb)) ++vb;
                            s.keyFound = true;
                            s.keyBegin = tb - base;
                            s.keyEnd = ke - base;
                            s.bodyEnd = body - base;
                            s.valueBegin = vb - base;
                            s.valueEnd = te - base;
                            return s;
                        }
                    }
                }
            }
        }
        line = lineEnd;
    }
    return s;
}

// The line break the file uses: that of its first line, LF for a file
// without any.
QByteArray lineBreakOf(const QByteArray& content) {
    const qsizetype nl = content.indexOf('\n');
    if (nl > 0 && content[nl - 1] == '\r') return QByteArrayLiteral("\r\n");
    return QByteArrayLiteral("\n");
}

// Sets the value in place: only the bytes after the changed line move.
// False, with the content unchanged, when the names or the value cannot be
// stored.
bool applyValue(QByteArray& content, const QString& section, const QString& key, const QString& value) {
    const QByteArray sec = trimmedUtf8(section);
    const QByteArray k = trimmedUtf8(key);
    const QByteArray v = value.toUtf8();

    if (sec.isEmpty() || sec.contains(']') || sec.contains('\n') || sec.contains('\r')) return false;
    if (k.isEmpty() || k.contains('=') || k.contains('\n') || k.contains('\r') || k.front() == ';' ||
        k.front() == '#' || k.front() == '[')
        return false;
    if (v.contains('\n') || v.contains('\r')) return false;

    // Reading drops surrounding blanks and one pair of surrounding quotes
    // (double or single); quote the values that would otherwise not read
    // back as written.
    QByteArray stored = v;
    if (!v.isEmpty() && (isBlank(v.front()) || isBlank(v.back()) || quotedPair(v.constData(), v.size()))) {
        stored = '"' + v + '"';
    }

    const Scan s = scan(content, sec, k);
    if (s.keyFound) {
        // Keep the line's indentation and the key as spelt in the file.
        content.replace(s.keyEnd, s.bodyEnd - s.keyEnd, '=' + stored);
        return true;
    }

    const QByteArray br = lineBreakOf(content);
    if (s.sectionFound) {
        QByteArray insert;
        if (s.insertNeedsBreak) insert += br;
        insert += k + '=' + stored + br;
        content.insert(s.insertAt, insert);
        return true;
    }

    if (!content.isEmpty() && !content.endsWith('\n')) content += br;
    content += '[' + sec + ']' + br + k + '=' + stored + br;
    return true;
}

}  // namespace

QString getValue(const QByteArray& content, const QString& section, const QString& key, bool* found) {
    if (found) *found = false;
    const QByteArray sec = trimmedUtf8(section);
    const QByteArray k = trimmedUtf8(key);
    if (sec.isEmpty() || k.isEmpty()) return QString();

    const Scan s = scan(content, sec, k);
    if (!s.keyFound) return QString();
    if (found) *found = true;

    const char* vb = content.constData() + s.valueBegin;
    qsizetype len = s.valueEnd - s.valueBegin;
    if (quotedPair(vb, len)) {
        ++vb;
        len -= 2;
    }
    QString value = QString::fromUtf8(vb, len);
    if (value.size() > kMaxValueLength) {
        qsizetype cut = kMaxValueLength;
        if (value.at(cut - 1).isHighSurrogate()) --cut;  // never leave half a character
        value.truncate(cut);
    }
    return value;
}

QByteArray setValue(const QByteArray& content, const QString& section, const QString& key, const QString& value) {
    QByteArray result = content;
    setValueIn(result, section, key, value);
    return result;
}

bool setValueIn(QByteArray& content, const QString& section, const QString& key, const QString& value) {
    return applyValue(content, section, key, value);
}

int parseInt(const QString& text, int def) {
    const QStringView t = QStringView(text).trimmed();
    if (t.isEmpty()) return def;

    qint64 n = 0;
    if (t.size() > 2 && t[0] == u'0' && (t[1] == u'x' || t[1] == u'X')) {
        for (qsizetype i = 2; i < t.size(); ++i) {
            const char16_t c = t[i].unicode();
            int digit;
            if (c >= u'0' && c <= u'9')
                digit = c - u'0';
            else if (c >= u'a' && c <= u'f')
                digit = c - u'a' + 10;
            else if (c >= u'A' && c <= u'F')
                digit = c - u'A' + 10;
            else
                return def;
            n = n * 16 + digit;
            if (n > INT_MAX) return def;
        }
        return int(n);
    }

    qsizetype i = 0;
    bool negative = false;
    if (t[0] == u'-' || t[0] == u'+') {
        negative = (t[0] == u'-');
        i = 1;
    }
    if (i == t.size()) return def;
    const qint64 limit = negative ? -qint64(INT_MIN) : qint64(INT_MAX);
    for (; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (c < u'0' || c > u'9') return def;
        n = n * 10 + (c - u'0');
        if (n > limit) return def;
    }
    return int(negative ? -n : n);
}

}  // namespace ostra::profile
