#pragma once

#include <QString>

namespace qt_text {

// A label with the program's '_' marker as a Qt mnemonic: "_Ok" -> "&Ok", a literal '&' kept.
inline QString Mnemonic(const char *label)
{
    QString in = QString::fromUtf8(label);
    QString out;
    bool marked = false;
    for (QChar c : in) {
        if (c == u'&')
            out += u"&&";
        else if (c == u'_' && !marked) {
            out += u'&';
            marked = true;
        } else
            out += c;
    }
    return out;
}

} // namespace qt_text
