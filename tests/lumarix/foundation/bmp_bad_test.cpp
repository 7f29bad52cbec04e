// Bad BMP input: the committed bad corpus, every truncation and random damage of the good
// corpus, and the size limits. A bad picture raises EInvalidGraphic and leaves the bitmap as it
// was; nothing may read or write outside a buffer (run these under AddressSanitizer).
#include "lumarix/foundation/foundation_support.h"

#include "graphics/bmp_codec.h"

#include <lumarix/Lumarix.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

using namespace lumarix;
using namespace foundation;

namespace {

std::vector<std::filesystem::path> CorpusFiles(const std::string& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(BmpPath(folder, "")))
        if (entry.path().extension() == ".bmp") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

// A bitmap with a picture worth keeping: 3 x 2 at 32 bits.
void Prepare(TLumarix& b) {
    b.SetSize(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) b.PutRGB(x, y, uint8_t(x * 40), uint8_t(y * 90), 17);
}

// Either the data loads, or it raises EInvalidGraphic and the bitmap is unchanged.
void LoadOrRefuse(const std::string& bytes) {
    TLumarix b;
    Prepare(b);
    const Snapshot before = Snap(b);
    std::istringstream s(bytes);
    try {
        b.LoadFromStream(s);
        ASSERT_EQ(b.PixelFormat(), TPixelFormat::pf32bit);
        ASSERT_GT(b.Width(), 0);
        ASSERT_GT(b.Height(), 0);
    } catch (const EInvalidGraphic&) {
        ASSERT_EQ(Snap(b), before);
    }
}

// The same for damaged headers, whose sizes can be anything: decoding is held to small
// pictures, so that a damaged run-length file does not fill a gigabyte each time.
void DecodeOrRefuse(const std::string& bytes) {
    try {
        detail::BmpImage image =
            detail::decode_bmp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), int64_t(1) << 22);
        ASSERT_LE(image.bytesUsed, bytes.size());
        TLumarix b;
        b.AdoptPixels(image.width, image.height, image.format, std::move(image.pixels), &image.palette);
        b.Do32();
        ASSERT_GT(b.Width(), 0);
        ASSERT_GT(b.Height(), 0);
    } catch (const EInvalidGraphic&) {
    }
}

// A stream that never ends and cannot seek.
class EndlessBuf : public std::streambuf {
public:
    EndlessBuf() { setg(m_buf, m_buf, m_buf + sizeof m_buf); }

protected:
    int_type underflow() override {
        setg(m_buf, m_buf, m_buf + sizeof m_buf);
        return traits_type::to_int_type(m_buf[0]);
    }

private:
    char m_buf[4096] = {'B', 'M'};
};

}  // namespace

TEST(BmpBad, EveryFileOfTheBadCorpusIsRefusedAndTheBitmapKept) {
    const auto files = CorpusFiles("bad");
    ASSERT_GE(files.size(), 40u) << "run tests/data/bmp/make_corpus.py";
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        TLumarix b;
        Prepare(b);
        const Snapshot before = Snap(b);
        try {
            b.LoadFromFile(path.string());
            ADD_FAILURE() << "loaded";
        } catch (const EInvalidGraphic& e) {
            // The message names the file and says what is wrong.
            const std::string what = e.what();
            EXPECT_NE(what.find(path.filename().string()), std::string::npos) << what;
            EXPECT_NE(what.find("invalid BMP: "), std::string::npos) << what;
            EXPECT_GT(what.size(), path.string().size() + 20) << what;
        }
        EXPECT_EQ(Snap(b), before);

        // The same through a stream, into a palettized framework bitmap.
        TBitmap eight;
        eight.SetPixelFormat(TPixelFormat::pf8bit);
        eight.SetSize(5, 1);
        const Snapshot eightBefore = Snap(eight);
        std::istringstream s(ReadBytes(path));
        EXPECT_THROW(eight.LoadFromStream(s), EInvalidGraphic);
        EXPECT_EQ(Snap(eight), eightBefore);
    }
}

TEST(BmpBad, EveryTruncationOfEveryGoodFileLoadsOrIsRefused) {
    const auto files = CorpusFiles("good");
    ASSERT_GE(files.size(), 30u);
    for (const auto& path : files) {
        const std::string bytes = ReadBytes(path);
        for (size_t n = 0; n < bytes.size(); ++n) {
            SCOPED_TRACE(testing::Message() << path.filename().string() << " cut to " << n << " bytes");
            ASSERT_NO_FATAL_FAILURE(LoadOrRefuse(bytes.substr(0, n)));
        }
    }
}

TEST(BmpBad, RandomDamageToGoodFilesLoadsOrIsRefused) {
    const auto files = CorpusFiles("good");
    for (uint32_t seed = 1; seed <= 3000; ++seed) {
        std::mt19937 rng(seed);
        const auto& path = files[rng() % files.size()];
        std::string bytes = ReadBytes(path);
        const int flips = 1 + int(rng() % 4);
        for (int i = 0; i < flips; ++i) {
            // Aim most damage at the headers, where the sizes and offsets live.
            const size_t limit = rng() % 4 ? std::min<size_t>(bytes.size(), 160) : bytes.size();
            bytes[rng() % limit] = char(rng() % 3 == 0 ? 0xFF : rng());
        }
        SCOPED_TRACE(testing::Message() << path.filename().string() << " seed " << seed);
        ASSERT_NO_FATAL_FAILURE(DecodeOrRefuse(bytes));
    }
}

TEST(BmpBad, PicturesLargerThanTheLimitAreRefusedBeforeAllocating) {
    const std::string bytes = ReadBytes(BmpPath("good", "rgb24.bmp"));
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    const int64_t needed = int64_t(kW) * 4 * kH;  // the limit applies to the 32-bit picture
    EXPECT_EQ(detail::decode_bmp(data, bytes.size(), needed).width, kW);
    EXPECT_THROW(detail::decode_bmp(data, bytes.size(), needed - 1), EInvalidGraphic);
}

TEST(BmpBad, StreamsLongerThanTheLimitAreRefused) {
    EndlessBuf endless;
    std::istream unseekable(&endless);
    EXPECT_THROW(detail::read_stream_bounded(unseekable, 1 << 20), EInvalidGraphic);

    std::istringstream big(std::string(5000, 'x'));
    EXPECT_THROW(detail::read_stream_bounded(big, 4999), EInvalidGraphic);
    std::istringstream exact(std::string(5000, 'x'));
    EXPECT_EQ(detail::read_stream_bounded(exact, 5000).size(), 5000u);
}
