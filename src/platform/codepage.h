#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Text as the program exchanges it with files. The system code page here is
// UTF-8; files written by the program on a Japanese Windows system are CP932
// (Shift_JIS). Lines are decoded one by one, so a list that mixes both still
// reads correctly.
namespace codepage {

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool isValidUtf8(QByteArrayView bytes);

// Decodes one line: UTF-8 when valid, otherwise CP932. Returns false in `ok`
// (when given) if neither applies; the result then holds U+FFFD for bad bytes.
QString decodeLine(QByteArrayView bytes, bool* ok = nullptr);

// The bytes a line is written as: UTF-8, no byte-order mark.
QByteArray encodeLine(const QString& text);

// Removes a leading UTF-8 byte-order mark, if any.
QByteArrayView skipBom(QByteArrayView bytes);

} // namespace codepage
