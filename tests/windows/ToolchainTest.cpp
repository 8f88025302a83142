// The Windows build's own libraries, cross-compiled and run under Wine. A
// library that links but computes wrongly for this target (a miscompiled
// hash, a broken longjmp out of libjpeg, a stream cut short taken as whole)
// fails here, before any product code is built on it.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <sodium.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes FromHex(const std::string& hex) {
    Bytes out(hex.size() / 2);
    EXPECT_EQ(
        sodium_hex2bin(out.data(), out.size(), hex.data(), hex.size(), nullptr, nullptr, nullptr),
        0);
    return out;
}

Bytes BytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

class Sodium : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_GE(sodium_init(), 0); }
};

// RFC 8032, section 7.1, test 1: a signature made elsewhere verifies here.
TEST_F(Sodium, VerifiesTheReferenceEd25519Signature) {
    const Bytes publicKey =
        FromHex("d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a");
    const Bytes signature = FromHex(
        "e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e065224901555fb8821590a33bacc61e3970"
        "1cf9b46bd25bf5f0595bbe24655141438e7a100b");
    EXPECT_EQ(crypto_sign_verify_detached(signature.data(), nullptr, 0, publicKey.data()), 0);
}

// RFC 7693, appendix A: BLAKE2b-512 of "abc", which minisign prehashes with.
TEST_F(Sodium, HashesAsBlake2b) {
    const Bytes message = BytesOf("abc");
    Bytes hash(crypto_generichash_BYTES_MAX);
    ASSERT_EQ(
        crypto_generichash(hash.data(), hash.size(), message.data(), message.size(), nullptr, 0),
        0);
    EXPECT_EQ(hash, FromHex("ba80a53f981c4d0d6a2797b69f12f6e94c212f14685ac4b74b12bb6fdbffa2d1"
                            "7d87c5392aab792dc252d5de4533cc9518d38aa8dbf1925ab92386edd4009923"));
}

struct SignatureCase {
    const char* name;
    bool changeMessage;
    bool changeSignature;
    bool verifies;
};

class Ed25519 : public Sodium, public testing::WithParamInterface<SignatureCase> {};

TEST_P(Ed25519, VerifiesOnlyWhatWasSigned) {
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES];
    unsigned char secretKey[crypto_sign_SECRETKEYBYTES];
    ASSERT_EQ(crypto_sign_keypair(publicKey, secretKey), 0);
    Bytes message = BytesOf("Orbisk for Outlook 4.0.0.2");
    unsigned char signature[crypto_sign_BYTES];
    ASSERT_EQ(crypto_sign_detached(signature, nullptr, message.data(), message.size(), secretKey),
              0);
    if (GetParam().changeMessage)
        message.back() ^= 1;
    if (GetParam().changeSignature)
        signature[7] ^= 0x40;
    EXPECT_EQ(
        crypto_sign_verify_detached(signature, message.data(), message.size(), publicKey) == 0,
        GetParam().verifies);
}

INSTANTIATE_TEST_SUITE_P(Sign, Ed25519,
                         testing::Values(SignatureCase{"Intact", false, false, true},
                                         SignatureCase{"MessageChanged", true, false, false},
                                         SignatureCase{"SignatureChanged", false, true, false}),
                         [](const auto& test) { return std::string(test.param.name); });

// Raw deflate (no zlib header), window bits -15, as the server's replies use.
Bytes RawDeflate(const Bytes& input) {
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
    Bytes out(deflateBound(&stream, static_cast<uLong>(input.size())));
    stream.next_in = const_cast<Bytes::value_type*>(input.data());
    stream.avail_in = static_cast<uInt>(input.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

struct InflateCase {
    const char* name;
    std::size_t keptBytesLess;
    bool complete;
};

class RawInflate : public testing::TestWithParam<InflateCase> {};

TEST_P(RawInflate, RestoresOnlyAWholeStream) {
    Bytes original;
    for (int i = 0; i < 4000; ++i) {
        const Bytes line = BytesOf("line " + std::to_string(i * 7919 % 1000) + "\n");
        original.insert(original.end(), line.begin(), line.end());
    }
    Bytes packed = RawDeflate(original);
    packed.resize(packed.size() - GetParam().keptBytesLess);

    z_stream stream{};
    ASSERT_EQ(inflateInit2(&stream, -15), Z_OK);
    Bytes restored(original.size() + 16);
    stream.next_in = packed.data();
    stream.avail_in = static_cast<uInt>(packed.size());
    stream.next_out = restored.data();
    stream.avail_out = static_cast<uInt>(restored.size());
    const int result = inflate(&stream, Z_FINISH);
    restored.resize(stream.total_out);
    inflateEnd(&stream);

    EXPECT_EQ(result == Z_STREAM_END, GetParam().complete);
    if (GetParam().complete) {
        EXPECT_EQ(restored, original);
    }
}

INSTANTIATE_TEST_SUITE_P(Streams, RawInflate,
                         testing::Values(InflateCase{"Whole", 0, true},
                                         InflateCase{"CutShort", 10, false}),
                         [](const auto& test) { return std::string(test.param.name); });

constexpr int kSide = 16;

Bytes EncodeSolidJpeg(unsigned char red, unsigned char green, unsigned char blue) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = kSide;
    cinfo.image_height = kSide;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    Bytes row;
    for (int x = 0; x < kSide; ++x)
        row.insert(row.end(), {red, green, blue});
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

// libjpeg's fatal errors leave through longjmp, as in the product's decoder:
// this is the path that breaks when unwinding across the C library is wrong.
struct JpegErrors {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->message);
    std::longjmp(errors->jump, 1);
}

// Decodes a picture of at most kSide by kSide into `pixels` (sized for it
// beforehand: nothing with a destructor changes between setjmp and longjmp).
bool DecodeJpeg(const Bytes& data, Bytes& pixels, JpegErrors& errors) {
    jpeg_decompress_struct cinfo{};
    cinfo.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = &OnJpegError;
    unsigned char* out = pixels.data();
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    const bool fits = cinfo.output_width == kSide && cinfo.output_height == kSide;
    while (fits && cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[1] = {out + cinfo.output_scanline * kSide * 3};
        jpeg_read_scanlines(&cinfo, rows, 1);
    }
    if (fits)
        jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return fits;
}

TEST(Jpeg, DecodesWhatItEncoded) {
    const Bytes jpeg = EncodeSolidJpeg(200, 40, 90);
    Bytes pixels(kSide * kSide * 3);
    JpegErrors errors{};
    ASSERT_TRUE(DecodeJpeg(jpeg, pixels, errors)) << errors.message;
    const int expected[3] = {200, 40, 90};
    for (std::size_t i = 0; i < pixels.size(); ++i)
        ASSERT_NEAR(pixels[i], expected[i % 3], 6) << "sample " << i;
}

TEST(Jpeg, RefusesWhatIsNoJpegWithLibjpegsMessage) {
    const Bytes notJpeg = BytesOf("GIF89a, not a JPEG file at all");
    Bytes pixels(kSide * kSide * 3);
    JpegErrors errors{};
    EXPECT_FALSE(DecodeJpeg(notJpeg, pixels, errors));
    EXPECT_NE(std::string(errors.message).find("Not a JPEG file"), std::string::npos)
        << errors.message;
}

}  // namespace
