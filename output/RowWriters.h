#pragma once

// Picture files written a row at a time, as the rows are drawn: PNG, TIFF
// (LZW) and BMP, 1-bit or in colour, with the resolution in them.

#include "Export.h"
#include "PageRaster.h"

#include <QIODevice>
#include <QString>

#include <memory>

namespace qg::output {

class RowWriter {
public:
    virtual ~RowWriter() = default;
    // The rows come bottom row first when true, else top row first.
    virtual bool bottomUp() const { return false; }
    virtual bool begin(QString& error) = 0;
    // One row as BandDrawer finishes it.
    virtual bool writeRow(const uchar* row, QString& error) = 0;
    virtual bool finish(QString& error) = 0;
};

// A writer of the raster format for pictures of the layout; none for the
// vector formats.
std::unique_ptr<RowWriter> makeRowWriter(Format format, QIODevice& device, const PageLayout& layout, int dpi);

// Whether a file of the format can hold a picture of the layout; else
// `error` says why.
bool formatHolds(Format format, const PageLayout& layout, QString& error);

// Bytes a writer holds at most, beside the rows handed to it.
std::int64_t rowWriterBytes(const PageLayout& layout);

}  // namespace qg::output
