#include "RowWriters.h"

#include <QRgb>

#include <zlib.h>

#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace qg::output {

namespace {

// Bytes gathered before they go to the device.
constexpr std::size_t kChunk = std::size_t(256) << 10;

QString unwritten(const QIODevice& device) {
    const QString reason = device.errorString();
    return reason.isEmpty() || reason == QLatin1String("Unknown error")
               ? QStringLiteral("файл не удалось записать целиком")
               : reason;
}

// What goes to the device, gathered into chunks; counts every byte.
class Sink {
public:
    explicit Sink(QIODevice& device) : device_(device) { bytes_.reserve(kChunk); }

    void put(const void* data, std::size_t n) {
        const auto* p = static_cast<const uchar*>(data);
        bytes_.insert(bytes_.end(), p, p + n);
        if (bytes_.size() >= kChunk)
            flush();
    }
    void put8(unsigned v) { bytes_.push_back(static_cast<uchar>(v)); }
    void put16le(unsigned v) {
        put8(v & 0xFF);
        put8((v >> 8) & 0xFF);
    }
    void put32le(std::uint32_t v) {
        put16le(v & 0xFFFF);
        put16le(v >> 16);
    }
    void put32be(std::uint32_t v) {
        put8(v >> 24);
        put8((v >> 16) & 0xFF);
        put8((v >> 8) & 0xFF);
        put8(v & 0xFF);
    }
    // Where the next byte goes in the file.
    std::uint64_t position() const { return written_ + bytes_.size(); }

    bool flush() {
        std::size_t done = 0;
        while (!failed_ && done < bytes_.size()) {
            const qint64 n = device_.write(reinterpret_cast<const char*>(bytes_.data() + done),
                                           static_cast<qint64>(bytes_.size() - done));
            if (n <= 0)
                failed_ = true;
            else
                done += static_cast<std::size_t>(n);
        }
        written_ += done;
        bytes_.clear();
        return !failed_;
    }
    bool failed() const { return failed_; }
    QIODevice& device() { return device_; }
    // True while every byte has gone to the device; else false with why.
    bool healthy(QString& error) const {
        if (!failed_)
            return true;
        error = unwritten(device_);
        return false;
    }

private:
    QIODevice& device_;
    std::vector<uchar> bytes_;
    std::uint64_t written_ = 0;
    bool failed_ = false;
};

// Colour rows as the files hold them.
void toRgb(const uchar* row, int width, uchar* out, bool alpha) {
    const auto* p = reinterpret_cast<const QRgb*>(row);
    for (int x = 0; x < width; ++x) {
        *out++ = static_cast<uchar>(qRed(p[x]));
        *out++ = static_cast<uchar>(qGreen(p[x]));
        *out++ = static_cast<uchar>(qBlue(p[x]));
        if (alpha)
            *out++ = static_cast<uchar>(qAlpha(p[x]));
    }
}

std::uint32_t dotsPerMetre(int dpi) {
    return static_cast<std::uint32_t>(std::lround(dpi / 0.0254));
}

// ---- PNG

class PngWriter : public RowWriter {
public:
    PngWriter(QIODevice& device, const PageLayout& layout, int dpi) : sink_(device), layout_(layout), dpi_(dpi) {}
    ~PngWriter() override {
        if (started_)
            deflateEnd(&zip_);
    }

    bool begin(QString& error) override {
        static const uchar signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        sink_.put(signature, sizeof signature);
        std::vector<uchar> header;
        auto be32 = [](std::vector<uchar>& v, std::uint32_t x) {
            for (int s = 24; s >= 0; s -= 8)
                v.push_back(static_cast<uchar>(x >> s));
        };
        be32(header, static_cast<std::uint32_t>(layout_.width));
        be32(header, static_cast<std::uint32_t>(layout_.height));
        header.push_back(layout_.mono ? 1 : 8);
        header.push_back(layout_.mono ? 3 : layout_.transparent ? 6 : 2);
        header.insert(header.end(), {0, 0, 0});
        chunk("IHDR", header.data(), header.size());
        if (layout_.mono) {
            const uchar palette[] = {0xFF, 0xFF, 0xFF, 0, 0, 0};
            chunk("PLTE", palette, sizeof palette);
            if (layout_.transparent) {
                const uchar alpha[] = {0, 0xFF};
                chunk("tRNS", alpha, sizeof alpha);
            }
        }
        std::vector<uchar> physical;
        be32(physical, dotsPerMetre(dpi_));
        be32(physical, dotsPerMetre(dpi_));
        physical.push_back(1);  // per metre
        chunk("pHYs", physical.data(), physical.size());
        std::memset(&zip_, 0, sizeof zip_);
        if (deflateInit(&zip_, 6) != Z_OK) {
            error = QStringLiteral("не удалось начать сжатие PNG");
            return false;
        }
        started_ = true;
        const std::int64_t bytes = layout_.mono ? (std::int64_t(layout_.width) + 7) / 8
                                                : std::int64_t(layout_.width) * (layout_.transparent ? 4 : 3);
        line_.assign(static_cast<std::size_t>(bytes + 1), 0);
        out_.resize(std::size_t(64) << 10);
        return sink_.healthy(error);
    }

    bool writeRow(const uchar* row, QString& error) override {
        line_[0] = 0;  // no filter
        if (layout_.mono)
            std::memcpy(line_.data() + 1, row, line_.size() - 1);
        else
            toRgb(row, layout_.width, line_.data() + 1, layout_.transparent);
        zip_.next_in = line_.data();
        zip_.avail_in = static_cast<uInt>(line_.size());
        return squeeze(Z_NO_FLUSH, error);
    }

    bool finish(QString& error) override {
        zip_.next_in = nullptr;
        zip_.avail_in = 0;
        if (!squeeze(Z_FINISH, error))
            return false;
        chunk("IEND", nullptr, 0);
        sink_.flush();
        return sink_.healthy(error);
    }

private:
    void chunk(const char* type, const uchar* data, std::size_t size) {
        sink_.put32be(static_cast<std::uint32_t>(size));
        sink_.put(type, 4);
        if (size)
            sink_.put(data, size);
        uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
        if (size)
            crc = crc32(crc, data, static_cast<uInt>(size));
        sink_.put32be(static_cast<std::uint32_t>(crc));
    }

    bool squeeze(int flush, QString& error) {
        for (;;) {
            zip_.next_out = out_.data();
            zip_.avail_out = static_cast<uInt>(out_.size());
            const int result = deflate(&zip_, flush);
            if (result == Z_STREAM_ERROR) {
                error = QStringLiteral("не удалось сжать PNG");
                return false;
            }
            const std::size_t produced = out_.size() - zip_.avail_out;
            if (produced)
                chunk("IDAT", out_.data(), produced);
            if (!sink_.healthy(error))
                return false;
            if (flush == Z_FINISH ? result == Z_STREAM_END : zip_.avail_out != 0)
                return true;
        }
    }

    Sink sink_;
    PageLayout layout_;
    int dpi_;
    z_stream zip_;
    bool started_ = false;
    std::vector<uchar> line_;
    std::vector<uchar> out_;
};

// ---- TIFF

// TIFF's LZW: codes of 9 to 12 bits, most significant bit first, the width
// growing one code early, a clear code at the start and whenever the table
// is full, an end code at the end.
class Lzw {
public:
    explicit Lzw(std::vector<uchar>& out) : out_(out) {}

    void start() {
        bits_ = 0;
        pending_ = 0;
        prefix_ = -1;
        reset();
        put(kClear);
    }

    void add(const uchar* data, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            const int c = data[i];
            if (prefix_ < 0) {
                prefix_ = c;
                continue;
            }
            const std::uint32_t key = (static_cast<std::uint32_t>(prefix_) << 8) | static_cast<std::uint32_t>(c);
            std::size_t slot = hash(key);
            for (;;) {
                Slot& s = table_[slot];
                if (s.generation != generation_)
                    break;
                if (s.key == key)
                    break;
                slot = (slot + 1) & (kSlots - 1);
            }
            Slot& s = table_[slot];
            if (s.generation == generation_) {
                prefix_ = s.code;
                continue;
            }
            put(prefix_);
            prefix_ = c;
            s = Slot{key, static_cast<std::uint16_t>(next_), generation_};
            ++next_;
            grow();
        }
    }

    void end() {
        if (prefix_ >= 0) {
            put(prefix_);
            prefix_ = -1;
            // The reader adds an entry for this code too.
            ++next_;
            if (next_ == kFull)
                put(kClear), width_ = 9;
            else if (next_ > (1 << width_) - 1)
                ++width_;
        }
        put(kEnd);
        if (pending_ > 0)
            out_.push_back(static_cast<uchar>(bits_ << (8 - pending_)));
        bits_ = 0;
        pending_ = 0;
    }

private:
    static constexpr int kClear = 256;
    static constexpr int kEnd = 257;
    static constexpr int kFirst = 258;
    static constexpr int kFull = 4094;
    static constexpr std::size_t kSlots = 8192;

    struct Slot {
        std::uint32_t key = 0;
        std::uint16_t code = 0;
        std::uint32_t generation = 0;
    };

    static std::size_t hash(std::uint32_t key) { return (key * 2654435761u) >> 19 & (kSlots - 1); }

    void reset() {
        ++generation_;
        next_ = kFirst;
        width_ = 9;
    }

    void grow() {
        if (next_ == kFull) {
            put(kClear);
            reset();
        } else if (next_ > (1 << width_) - 1) {
            ++width_;
        }
    }

    void put(int code) {
        bits_ = (bits_ << width_) | static_cast<std::uint32_t>(code);
        pending_ += width_;
        while (pending_ >= 8) {
            pending_ -= 8;
            out_.push_back(static_cast<uchar>(bits_ >> pending_));
        }
        bits_ &= (1u << pending_) - 1;
    }

    std::vector<uchar>& out_;
    std::array<Slot, kSlots> table_{};
    std::uint32_t generation_ = 0;
    int next_ = kFirst;
    int width_ = 9;
    int prefix_ = -1;
    std::uint32_t bits_ = 0;
    int pending_ = 0;
};

class TiffWriter : public RowWriter {
public:
    TiffWriter(QIODevice& device, const PageLayout& layout, int dpi)
        : sink_(device), layout_(layout), dpi_(dpi), lzw_(strip_) {
        rowBytes_ = layout.mono ? (std::int64_t(layout.width) + 7) / 8 : std::int64_t(layout.width) * 3;
        rowsPerStrip_ = static_cast<int>(std::clamp<std::int64_t>((std::int64_t(64) << 10) / rowBytes_, 1, layout.height));
        line_.resize(static_cast<std::size_t>(rowBytes_));
    }

    bool begin(QString& error) override {
        sink_.put("II*\0", 4);
        sink_.put32le(0);  // where the directory is, once known
        return sink_.healthy(error);
    }

    bool writeRow(const uchar* row, QString& error) override {
        if (rowInStrip_ == 0)
            lzw_.start();
        if (layout_.mono) {
            lzw_.add(row, line_.size());
        } else {
            toRgb(row, layout_.width, line_.data(), false);
            lzw_.add(line_.data(), line_.size());
        }
        ++rows_;
        if (++rowInStrip_ == rowsPerStrip_ || rows_ == layout_.height)
            return endStrip(error);
        if (strip_.size() >= kChunk) {
            sink_.put(strip_.data(), strip_.size());
            stripBytes_ += strip_.size();
            strip_.clear();
        }
        return sink_.healthy(error);
    }

    bool finish(QString& error) override {
        // The directory after the strips, on a word boundary; the values that
        // do not fit in an entry after it.
        if (sink_.position() % 2)
            sink_.put8(0);
        const std::uint64_t directory = sink_.position();
        const bool rgb = !layout_.mono;
        const std::uint32_t strips = static_cast<std::uint32_t>(offsets_.size());
        const int entries = rgb ? 13 : 12;
        std::uint64_t extra = directory + 2 + 12 * std::uint64_t(entries) + 4;
        const std::uint64_t bitsAt = extra;
        if (rgb)
            extra += 6;
        const std::uint64_t offsetsAt = extra;
        if (strips > 1)
            extra += 4 * std::uint64_t(strips);
        const std::uint64_t countsAt = extra;
        if (strips > 1)
            extra += 4 * std::uint64_t(strips);
        const std::uint64_t resolutionAt = extra;
        extra += 16;
        if (extra > 0xFFFFFFFFu) {
            error = tooLarge();
            return false;
        }
        auto entry = [&](unsigned tag, unsigned type, std::uint32_t count, std::uint32_t value) {
            sink_.put16le(tag);
            sink_.put16le(type);
            sink_.put32le(count);
            if (type == 3 && count == 1) {
                sink_.put16le(value);
                sink_.put16le(0);
            } else {
                sink_.put32le(value);
            }
        };
        constexpr unsigned kShort = 3, kLong = 4, kRational = 5;
        sink_.put16le(static_cast<unsigned>(entries));
        entry(256, kLong, 1, static_cast<std::uint32_t>(layout_.width));
        entry(257, kLong, 1, static_cast<std::uint32_t>(layout_.height));
        entry(258, kShort, rgb ? 3 : 1, rgb ? static_cast<std::uint32_t>(bitsAt) : 1);
        entry(259, kShort, 1, 5);             // LZW
        entry(262, kShort, 1, rgb ? 2 : 0);   // RGB, or 0 is white
        entry(273, kLong, strips, strips > 1 ? static_cast<std::uint32_t>(offsetsAt) : offsets_.front());
        entry(277, kShort, 1, rgb ? 3 : 1);
        entry(278, kLong, 1, static_cast<std::uint32_t>(rowsPerStrip_));
        entry(279, kLong, strips, strips > 1 ? static_cast<std::uint32_t>(countsAt) : counts_.front());
        entry(282, kRational, 1, static_cast<std::uint32_t>(resolutionAt));
        entry(283, kRational, 1, static_cast<std::uint32_t>(resolutionAt + 8));
        if (rgb)
            entry(284, kShort, 1, 1);  // samples together
        entry(296, kShort, 1, 2);      // inches
        sink_.put32le(0);              // no further directory
        if (rgb) {
            for (int i = 0; i < 3; ++i)
                sink_.put16le(8);
        }
        if (strips > 1) {
            for (std::uint32_t offset : offsets_)
                sink_.put32le(offset);
            for (std::uint32_t count : counts_)
                sink_.put32le(count);
        }
        for (int i = 0; i < 2; ++i) {
            sink_.put32le(static_cast<std::uint32_t>(dpi_));
            sink_.put32le(1);
        }
        if (!sink_.flush())
            return sink_.healthy(error);
        QIODevice& device = sink_.device();
        const qint64 end = device.pos();
        const uchar at[4] = {static_cast<uchar>(directory), static_cast<uchar>(directory >> 8),
                             static_cast<uchar>(directory >> 16), static_cast<uchar>(directory >> 24)};
        if (!device.seek(4) || device.write(reinterpret_cast<const char*>(at), 4) != 4 || !device.seek(end)) {
            error = unwritten(device);
            return false;
        }
        return true;
    }

private:
    static QString tooLarge() {
        return QStringLiteral("файл TIFF получается больше 4 ГБ: уменьшите ширину или разрешение или выберите PNG");
    }

    bool endStrip(QString& error) {
        lzw_.end();
        const std::uint64_t start = sink_.position() - stripBytes_;
        sink_.put(strip_.data(), strip_.size());
        stripBytes_ += strip_.size();
        strip_.clear();
        if (sink_.position() > 0xFFFFFFFFu) {
            error = tooLarge();
            return false;
        }
        offsets_.push_back(static_cast<std::uint32_t>(start));
        counts_.push_back(static_cast<std::uint32_t>(stripBytes_));
        stripBytes_ = 0;
        rowInStrip_ = 0;
        return sink_.healthy(error);
    }

    Sink sink_;
    PageLayout layout_;
    int dpi_;
    std::vector<uchar> strip_;
    Lzw lzw_;
    std::int64_t rowBytes_ = 0;
    int rowsPerStrip_ = 1;
    int rowInStrip_ = 0;
    int rows_ = 0;
    std::uint64_t stripBytes_ = 0;  // of the strip in hand, already given to the sink
    std::vector<uchar> line_;
    std::vector<std::uint32_t> offsets_;
    std::vector<std::uint32_t> counts_;
};

// ---- BMP

class BmpWriter : public RowWriter {
public:
    BmpWriter(QIODevice& device, const PageLayout& layout, int dpi) : sink_(device), layout_(layout), dpi_(dpi) {
        const std::int64_t bits = layout.mono ? layout.width : std::int64_t(layout.width) * 24;
        rowBytes_ = (bits + 31) / 32 * 4;
        line_.assign(static_cast<std::size_t>(rowBytes_), 0);
    }

    bool bottomUp() const override { return true; }

    // The file's size, which its header holds in 32 bits.
    static std::uint64_t fileSize(const PageLayout& layout) {
        const std::uint64_t bits = layout.mono ? std::uint64_t(layout.width) : std::uint64_t(layout.width) * 24;
        return 14 + 40 + (layout.mono ? 8 : 0) + (bits + 31) / 32 * 4 * std::uint64_t(layout.height);
    }

    static bool holds(const PageLayout& layout, QString& error) {
        if (fileSize(layout) <= 0xFFFFFFFFu)
            return true;
        error = QStringLiteral("файл BMP получается больше 4 ГБ: уменьшите ширину или разрешение "
                               "или выберите PNG или TIFF");
        return false;
    }

    bool begin(QString& error) override {
        if (!holds(layout_, error))
            return false;
        const std::uint64_t offset = 14 + 40 + (layout_.mono ? 8 : 0);
        const std::uint64_t size = fileSize(layout_);
        sink_.put("BM", 2);
        sink_.put32le(static_cast<std::uint32_t>(size));
        sink_.put32le(0);
        sink_.put32le(static_cast<std::uint32_t>(offset));
        sink_.put32le(40);
        sink_.put32le(static_cast<std::uint32_t>(layout_.width));
        sink_.put32le(static_cast<std::uint32_t>(layout_.height));
        sink_.put16le(1);
        sink_.put16le(layout_.mono ? 1 : 24);
        sink_.put32le(0);  // uncompressed
        sink_.put32le(static_cast<std::uint32_t>(std::uint64_t(rowBytes_) * std::uint64_t(layout_.height)));
        sink_.put32le(dotsPerMetre(dpi_));
        sink_.put32le(dotsPerMetre(dpi_));
        sink_.put32le(layout_.mono ? 2 : 0);
        sink_.put32le(layout_.mono ? 2 : 0);
        if (layout_.mono) {
            sink_.put32le(0x00FFFFFF);  // 0 is paper
            sink_.put32le(0);           // 1 is ink
        }
        return sink_.healthy(error);
    }

    bool writeRow(const uchar* row, QString& error) override {
        if (layout_.mono) {
            std::memcpy(line_.data(), row, static_cast<std::size_t>((layout_.width + 7) / 8));
        } else {
            const auto* p = reinterpret_cast<const QRgb*>(row);
            uchar* out = line_.data();
            for (int x = 0; x < layout_.width; ++x) {
                *out++ = static_cast<uchar>(qBlue(p[x]));
                *out++ = static_cast<uchar>(qGreen(p[x]));
                *out++ = static_cast<uchar>(qRed(p[x]));
            }
        }
        sink_.put(line_.data(), line_.size());
        return sink_.healthy(error);
    }

    bool finish(QString& error) override {
        sink_.flush();
        return sink_.healthy(error);
    }

private:
    Sink sink_;
    PageLayout layout_;
    int dpi_;
    std::int64_t rowBytes_ = 0;
    std::vector<uchar> line_;
};

}  // namespace

std::unique_ptr<RowWriter> makeRowWriter(Format format, QIODevice& device, const PageLayout& layout, int dpi) {
    switch (format) {
        case Format::Png:
            return std::make_unique<PngWriter>(device, layout, dpi);
        case Format::Tiff:
            return std::make_unique<TiffWriter>(device, layout, dpi);
        case Format::Bmp:
            return std::make_unique<BmpWriter>(device, layout, dpi);
        case Format::Pdf:
        case Format::Svg:
            break;
    }
    return nullptr;
}

bool formatHolds(Format format, const PageLayout& layout, QString& error) {
    return format != Format::Bmp || BmpWriter::holds(layout, error);
}

std::int64_t rowWriterBytes(const PageLayout& layout) {
    // The gathered chunk, a row or two in the file's form, the squeezer's
    // state, a strip in hand and the strips' table.
    const std::int64_t row = std::int64_t(layout.width) * 4 + 64;
    const std::int64_t strips = layout.height;
    return std::int64_t(2 * kChunk) + 2 * row + (std::int64_t(512) << 10) + 8 * strips;
}

}  // namespace qg::output
