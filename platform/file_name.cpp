#include "platform/file_name.h"

#include <dirent.h>
#include <sys/stat.h>

namespace tvx {

namespace {

constexpr char16_t kRawByteBase = 0xDC00;

// Length of the valid UTF-8 sequence at p (1..4), or 0 when it is not one:
// no overlong forms, no surrogates, nothing above U+10FFFF.
int Utf8SequenceAt(const uchar* p, qsizetype left, char32_t* code) {
    const uchar b0 = p[0];
    if (b0 < 0x80) {
        *code = b0;
        return 1;
    }
    int n = 0;
    char32_t c = 0;
    char32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        n = 2;
        c = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        n = 3;
        c = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        n = 4;
        c = b0 & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (left < n) return 0;
    for (int i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        c = (c << 6) | (p[i] & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    *code = c;
    return n;
}

bool IsRawByte(char16_t u) {
    return u >= kRawByteBase + 0x80 && u <= kRawByteBase + 0xFF;
}

} // namespace

QString FileNameFromNative(const QByteArray& native) {
    QString out;
    out.reserve(native.size());
    const auto* p = reinterpret_cast<const uchar*>(native.constData());
    const qsizetype size = native.size();
    for (qsizetype i = 0; i < size;) {
        char32_t code = 0;
        const int n = Utf8SequenceAt(p + i, size - i, &code);
        if (n == 0) {
            out.append(QChar(char16_t(kRawByteBase + p[i])));
            ++i;
            continue;
        }
        const char32_t one[1] = {code};
        out.append(QString::fromUcs4(one, 1));
        i += n;
    }
    return out;
}

QByteArray NativeFileName(const QString& name) {
    if (!HasRawBytes(name)) return name.toUtf8();
    QByteArray out;
    out.reserve(name.size() * 3);
    QString run;
    for (const QChar ch : name) {
        if (IsRawByte(ch.unicode())) {
            out.append(run.toUtf8());
            run.clear();
            out.append(char(ch.unicode() - kRawByteBase));
        } else {
            run.append(ch);
        }
    }
    out.append(run.toUtf8());
    return out;
}

bool HasRawBytes(const QString& name) {
    for (const QChar ch : name)
        if (IsRawByte(ch.unicode())) return true;
    return false;
}

QString DisplayFileName(const QString& name) {
    if (!HasRawBytes(name)) return name;
    QString out;
    for (const QChar ch : name) {
        if (IsRawByte(ch.unicode()))
            out +=
                QLatin1String("\\x") + QString::number(ch.unicode() - kRawByteBase, 16).toUpper();
        else
            out.append(ch);
    }
    return out;
}

std::vector<FolderEntry> ReadFolder(const QString& folder) {
    std::vector<FolderEntry> entries;
    if (folder.isEmpty()) return entries;
    const QByteArray native = NativeFileName(folder);
    DIR* dir = ::opendir(native.constData());
    if (!dir) return entries;
    while (const dirent* d = ::readdir(dir)) {
        const QByteArray name(d->d_name);
        if (name == "." || name == "..") continue;
        FolderEntry e;
        e.name = FileNameFromNative(name);
        struct stat st {};
        // The type of what a link points to: a link to a picture lists it.
        if (::stat((native + '/' + name).constData(), &st) == 0) {
            e.regular = S_ISREG(st.st_mode);
            e.folder = S_ISDIR(st.st_mode);
            e.size = qint64(st.st_size);
            e.modified = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        }
        entries.push_back(std::move(e));
    }
    ::closedir(dir);
    return entries;
}

} // namespace tvx
