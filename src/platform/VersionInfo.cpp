// Version resources of PE images. Every offset in the file is checked against its size, so a
// truncated or hostile file gives "no version" and never a read outside the buffer.

#include "platform/VersionInfo.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace platform {

namespace {

constexpr std::uint32_t FixedFileInfoSignature = 0xFEEF04BD;
constexpr std::uint32_t ResourceTypeVersion = 16;
constexpr std::uint32_t SubdirectoryFlag = 0x80000000;
constexpr std::size_t FixedFileInfoSize = 52;

// Little-endian reader over a byte string that refuses to read past its end.
class TReader {
public:
    explicit TReader(const std::string& bytes) : Bytes_(bytes) {}
    bool Has(std::uint64_t offset, std::uint64_t length) const {
        return offset <= Bytes_.size() && length <= Bytes_.size() - offset;
    }
    std::optional<std::uint16_t> U16(std::uint64_t offset) const {
        if (!Has(offset, 2))
            return std::nullopt;
        return static_cast<std::uint16_t>(Byte(offset) | (Byte(offset + 1) << 8));
    }
    std::optional<std::uint32_t> U32(std::uint64_t offset) const {
        if (!Has(offset, 4))
            return std::nullopt;
        return Byte(offset) | (Byte(offset + 1) << 8) | (Byte(offset + 2) << 16) |
               (static_cast<std::uint32_t>(Byte(offset + 3)) << 24);
    }

private:
    const std::string& Bytes_;
    std::uint32_t Byte(std::uint64_t offset) const {
        return static_cast<unsigned char>(Bytes_[static_cast<std::size_t>(offset)]);
    }
};

struct TSection {
    std::uint32_t VirtualAddress = 0, VirtualSize = 0, RawSize = 0, RawOffset = 0;
};

struct TImage {
    std::vector<TSection> Sections;
    std::uint32_t ResourceRva = 0;
};

std::optional<TImage> ReadHeaders(const TReader& r) {
    if (r.U16(0) != 0x5A4D) // "MZ"
        return std::nullopt;
    const auto peOffset = r.U32(0x3C);
    if (!peOffset || r.U32(*peOffset) != 0x00004550) // "PE\0\0"
        return std::nullopt;
    const std::uint64_t coff = *peOffset + 4ULL;
    const auto sectionCount = r.U16(coff + 2);
    const auto optionalSize = r.U16(coff + 16);
    const std::uint64_t optional = coff + 20;
    const auto magic = r.U16(optional);
    if (!sectionCount || !optionalSize || !magic)
        return std::nullopt;
    // The data directories follow the fixed part of the optional header, whose size depends on
    // whether the image is 32-bit (PE32) or 64-bit (PE32+).
    std::uint64_t countOffset = 0;
    if (*magic == 0x10B)
        countOffset = 92;
    else if (*magic == 0x20B)
        countOffset = 108;
    else
        return std::nullopt;
    const auto directoryCount = r.U32(optional + countOffset);
    const std::uint64_t resourceEntry = countOffset + 4 + 2 * 8; // directory 2: resources
    if (!directoryCount || *directoryCount < 3 || resourceEntry + 8 > *optionalSize)
        return std::nullopt;
    TImage image;
    image.ResourceRva = r.U32(optional + resourceEntry).value_or(0);
    const std::uint64_t table = optional + *optionalSize;
    for (std::uint32_t i = 0; i < *sectionCount; ++i) {
        const std::uint64_t header = table + i * 40ULL;
        if (!r.Has(header, 40))
            return std::nullopt;
        image.Sections.push_back(
            {*r.U32(header + 12), *r.U32(header + 8), *r.U32(header + 16), *r.U32(header + 20)});
    }
    if (image.ResourceRva == 0)
        return std::nullopt;
    return image;
}

// The file offset of an address in the loaded image, when `length` bytes there are in the file.
std::optional<std::uint64_t> RvaToOffset(const TReader& r, const TImage& image, std::uint32_t rva,
                                         std::uint32_t length) {
    for (const TSection& s : image.Sections) {
        if (rva < s.VirtualAddress)
            continue;
        const std::uint64_t within = rva - s.VirtualAddress;
        if (within + length > s.RawSize)
            continue;
        const std::uint64_t offset = s.RawOffset + within;
        if (r.Has(offset, length))
            return offset;
    }
    return std::nullopt;
}

// The entry of a resource directory at `dir`: the one with `id`, or the first one without an id.
// Answers the entry's OffsetToData field.
std::optional<std::uint32_t> DirectoryEntry(const TReader& r, std::uint64_t dir,
                                            std::optional<std::uint32_t> id) {
    const auto named = r.U16(dir + 12);
    const auto ids = r.U16(dir + 14);
    if (!named || !ids)
        return std::nullopt;
    const std::uint32_t count = std::uint32_t(*named) + *ids;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t entry = dir + 16 + i * 8ULL;
        const auto name = r.U32(entry);
        const auto data = r.U32(entry + 4);
        if (!name || !data)
            return std::nullopt;
        if (!id || (!(*name & SubdirectoryFlag) && *name == *id))
            return data;
    }
    return std::nullopt;
}

std::optional<TFixedFileVersion> ReadVersionBlock(const std::string& bytes, std::uint64_t offset,
                                                  std::uint32_t size) {
    const TReader r(bytes);
    const auto length = r.U16(offset);
    const auto valueLength = r.U16(offset + 2);
    if (!length || !valueLength || *valueLength < FixedFileInfoSize)
        return std::nullopt;
    static const char16_t key[] = u"VS_VERSION_INFO";
    for (std::size_t i = 0; i < 16; ++i)
        if (r.U16(offset + 6 + 2 * i) != static_cast<std::uint16_t>(key[i]))
            return std::nullopt;
    const std::uint64_t value = offset + 40; // 6 header bytes + key, aligned to 32 bits
    const std::uint64_t limit = offset + std::min<std::uint32_t>(*length, size);
    if (value + FixedFileInfoSize > limit || r.U32(value) != FixedFileInfoSignature)
        return std::nullopt;
    TFixedFileVersion version;
    version.FileVersionMS = *r.U32(value + 8);
    version.FileVersionLS = *r.U32(value + 12);
    version.ProductVersionMS = *r.U32(value + 16);
    version.ProductVersionLS = *r.U32(value + 20);
    return version;
}

void Put16(std::string& out, std::size_t at, std::uint32_t value) {
    out[at] = static_cast<char>(value & 0xFF);
    out[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, std::size_t at, std::uint32_t value) {
    Put16(out, at, value & 0xFFFF);
    Put16(out, at + 2, value >> 16);
}

// The .rsrc section: root (type 16) -> name 1 -> language 0x409 -> data -> VS_VERSION_INFO.
std::string MakeResourceSection(const TFixedFileVersion& v, std::uint32_t sectionRva) {
    constexpr std::size_t typeDir = 24, nameDir = 48, dataEntry = 72, block = 88, blockSize = 92;
    std::string s(block + blockSize, '\0');
    Put16(s, 14, 1);
    Put32(s, 16, ResourceTypeVersion);
    Put32(s, 20, SubdirectoryFlag | typeDir);
    Put16(s, typeDir + 14, 1);
    Put32(s, typeDir + 16, 1);
    Put32(s, typeDir + 20, SubdirectoryFlag | nameDir);
    Put16(s, nameDir + 14, 1);
    Put32(s, nameDir + 16, 0x409);
    Put32(s, nameDir + 20, dataEntry);
    Put32(s, dataEntry, sectionRva + block);
    Put32(s, dataEntry + 4, blockSize);
    Put16(s, block, blockSize);
    Put16(s, block + 2, FixedFileInfoSize);
    const char16_t key[] = u"VS_VERSION_INFO";
    for (std::size_t i = 0; key[i]; ++i)
        Put16(s, block + 6 + 2 * i, key[i]);
    const std::size_t fixed = block + 40;
    const std::uint32_t words[13] = {FixedFileInfoSignature,
                                     0x00010000,
                                     v.FileVersionMS,
                                     v.FileVersionLS,
                                     v.ProductVersionMS,
                                     v.ProductVersionLS,
                                     0x3F,
                                     0,
                                     0x00040004, // VOS_NT_WINDOWS32
                                     1,          // VFT_APP
                                     0,
                                     0,
                                     0};
    for (std::size_t i = 0; i < 13; ++i)
        Put32(s, fixed + 4 * i, words[i]);
    return s;
}

} // namespace

std::optional<TFixedFileVersion> ReadFixedFileVersionBytes(const std::string& bytes) {
    const TReader r(bytes);
    const auto image = ReadHeaders(r);
    if (!image)
        return std::nullopt;
    const auto root = RvaToOffset(r, *image, image->ResourceRva, 16);
    if (!root)
        return std::nullopt;
    // Offsets inside the resource tree count from the root directory.
    auto level = DirectoryEntry(r, *root, ResourceTypeVersion);
    for (int depth = 0; depth < 2; ++depth) {
        if (!level || !(*level & SubdirectoryFlag))
            return std::nullopt;
        level = DirectoryEntry(r, *root + (*level & ~SubdirectoryFlag), std::nullopt);
    }
    if (!level || (*level & SubdirectoryFlag))
        return std::nullopt;
    const std::uint64_t entry = *root + *level;
    const auto dataRva = r.U32(entry);
    const auto dataSize = r.U32(entry + 4);
    if (!dataRva || !dataSize || *dataSize < 40 + FixedFileInfoSize)
        return std::nullopt;
    const auto data = RvaToOffset(r, *image, *dataRva, *dataSize);
    if (!data)
        return std::nullopt;
    return ReadVersionBlock(bytes, *data, *dataSize);
}

TFixedFileVersion MakeVersion(int major, int minor, int release, int build) {
    auto word = [](int high, int low) {
        return (static_cast<std::uint32_t>(high & 0xFFFF) << 16) |
               static_cast<std::uint32_t>(low & 0xFFFF);
    };
    TFixedFileVersion v;
    v.FileVersionMS = v.ProductVersionMS = word(major, minor);
    v.FileVersionLS = v.ProductVersionLS = word(release, build);
    return v;
}

std::string MakeVersionedPeImage(const TFixedFileVersion& version, bool pe32Plus) {
    constexpr std::uint32_t fileAlignment = 0x200, sectionAlignment = 0x1000;
    constexpr std::uint32_t sectionRva = 0x1000, peOffset = 0x40;
    const std::string rsrc = MakeResourceSection(version, sectionRva);
    const auto rawSize = static_cast<std::uint32_t>((rsrc.size() + fileAlignment - 1) /
                                                    fileAlignment * fileAlignment);
    std::string image(fileAlignment + rawSize, '\0');
    Put16(image, 0, 0x5A4D);
    Put32(image, 0x3C, peOffset);
    Put32(image, peOffset, 0x00004550);
    // PE32+ drops the base of data and widens image base, stack and heap sizes to 64 bits,
    // which moves the data directories 16 bytes further.
    const std::size_t optionalSize = pe32Plus ? 240 : 224;
    const std::size_t wide = pe32Plus ? 16 : 0;
    const std::size_t coff = peOffset + 4, opt = coff + 20, section = opt + optionalSize;
    Put16(image, coff, pe32Plus ? 0x8664 : 0x14C); // x64 or i386
    Put16(image, coff + 2, 1);                     // one section
    Put16(image, coff + 16, static_cast<std::uint32_t>(optionalSize));
    Put16(image, coff + 18, pe32Plus ? 0x0022 : 0x0102); // executable, 64-bit or 32-bit
    Put16(image, opt, pe32Plus ? 0x20B : 0x10B);
    Put32(image, opt + 8, rawSize);     // initialised data
    Put32(image, opt + 20, sectionRva); // base of code
    if (!pe32Plus)
        Put32(image, opt + 24, sectionRva);             // base of data
    Put32(image, opt + (pe32Plus ? 24 : 28), 0x400000); // image base (low half for PE32+)
    Put32(image, opt + 32, sectionAlignment);
    Put32(image, opt + 36, fileAlignment);
    Put16(image, opt + 40, 4);                             // operating system version
    Put16(image, opt + 48, 4);                             // subsystem version
    Put32(image, opt + 56, sectionRva + sectionAlignment); // size of image
    Put32(image, opt + 60, fileAlignment);                 // size of headers
    Put16(image, opt + 68, 2);                             // GUI subsystem
    Put32(image, opt + 72, 0x100000);                      // stack reserve
    Put32(image, opt + 76 + wide / 4, 0x1000);             // stack commit
    Put32(image, opt + 80 + wide / 2, 0x100000);           // heap reserve
    Put32(image, opt + 84 + wide * 3 / 4, 0x1000);         // heap commit
    Put32(image, opt + 92 + wide, 16);                     // data directories
    Put32(image, opt + 96 + wide + 2 * 8, sectionRva);     // resource directory
    Put32(image, opt + 96 + wide + 2 * 8 + 4, static_cast<std::uint32_t>(rsrc.size()));
    std::memcpy(image.data() + section, ".rsrc", 5);
    Put32(image, section + 8, static_cast<std::uint32_t>(rsrc.size()));
    Put32(image, section + 12, sectionRva);
    Put32(image, section + 16, rawSize);
    Put32(image, section + 20, fileAlignment);
    Put32(image, section + 36, 0x40000040); // initialised data, readable
    image.replace(fileAlignment, rsrc.size(), rsrc);
    return image;
}

} // namespace platform
