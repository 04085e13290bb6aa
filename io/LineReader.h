#pragma once

// The lines of a design file as the readers walk them.

#include <QByteArrayView>
#include <QString>

namespace qg::io {

// Hands out the lines of a design file one at a time, the way the readers
// walk it: a line ends at LF, CR bytes are never part of a line (the CR of
// a CR LF pair and any lone CR alike), and a byte 0x1A ends the file.
//
// The readers ask for a line first and then whether the file is at its end,
// so even an empty file yields one (empty) line, and a file whose last line
// ends with CR LF has no extra empty line after it.
class LineReader {
public:
    explicit LineReader(QByteArrayView bytes);

    // The next line, decoded from Windows-1251. Past the end: an empty line.
    QString next();
    // The next line's bytes as they stand, CR bytes included, undecoded.
    QByteArrayView nextBytes() { return take(); }
    // Moves past the next line without decoding it.
    void skip();
    bool atEnd() const { return pos_ >= bytes_.size(); }

private:
    QByteArrayView take();

    QByteArrayView bytes_;
    qsizetype pos_ = 0;
};

}  // namespace qg::io
