#include "platform/jet/design/VbaProject.h"

#include <algorithm>
#include <bit>
#include <string_view>

#include "base/LittleEndian.h"
#include "platform/jet/design/DesignError.h"
#include "platform/jet/design/DesignText.h"
#include "platform/jet/file/FileHeader.h"

namespace platform::jet::design {
namespace {

constexpr std::uint8_t kContainerSignature = 1;
constexpr std::size_t kChunkBytes = 4096;
constexpr std::uint16_t kChunkSignature = 3, kChunkCompressed = 0x8000;
constexpr std::size_t kModuleContainerHeader = 8;
constexpr std::size_t kMaxModules = 32768;  // as many objects as a database can hold

// The dir stream's record ids used here.
enum : std::uint16_t {
    kProjectCodePage = 0x0003,
    kProjectVersion = 0x0009,
    kDirEnd = 0x0010,
    kModuleName = 0x0019,
    kModuleStreamName = 0x001A,
    kModuleStandard = 0x0021,
    kModuleDocument = 0x0022,
    kModuleEnd = 0x002B,
    kModuleOffset = 0x0031,
    kModuleStreamNameUnicode = 0x0032,
    kModuleNameUnicode = 0x0047,
};
// PROJECTVERSION's size field says 4, but a u32 major and a u16 minor version follow it.
constexpr std::uint32_t kProjectVersionBytes = 6;

[[noreturn]] void damaged(const std::string& what) {
    throw DesignError("The database's Visual Basic project is damaged: " + what + ".");
}

std::string textOf(std::span<const std::uint8_t> bytes, std::uint16_t codePage) {
    return utf8OfCodePageText({reinterpret_cast<const char*>(bytes.data()), bytes.size()}, codePage);
}

void decompressChunk(std::span<const std::uint8_t> chunk, std::vector<std::uint8_t>& out, std::size_t maxSize) {
    const std::size_t start = out.size();
    for (std::size_t at = 0; at < chunk.size();) {
        const std::uint8_t flags = chunk[at++];
        for (int bit = 0; bit < 8 && at < chunk.size(); ++bit) {
            const std::size_t produced = out.size() - start;
            if ((flags >> bit & 1) == 0) {
                if (produced == kChunkBytes) damaged("a chunk decompresses past 4096 bytes");
                if (out.size() == maxSize) damaged("its text is larger than can be read");
                out.push_back(chunk[at++]);
                continue;
            }
            // A copy of the chunk's earlier bytes: the more of them there are, the more bits the offset takes.
            if (chunk.size() - at < 2) damaged("a copy token is cut short");
            if (produced == 0) damaged("a copy comes before its chunk's first byte");
            const std::uint16_t token = base::getU16(chunk, at);
            at += 2;
            const int bitCount = std::max(4, static_cast<int>(std::bit_width(produced - 1)));
            const std::size_t offset = (token >> (16 - bitCount)) + 1u;
            const std::size_t length = (token & (0xFFFFu >> bitCount)) + 3u;
            if (offset > produced) damaged("a copy reaches before its chunk");
            if (produced + length > kChunkBytes) damaged("a chunk decompresses past 4096 bytes");
            if (out.size() + length > maxSize) damaged("its text is larger than can be read");
            for (std::size_t i = 0; i < length; ++i) out.push_back(out[out.size() - offset]);
        }
    }
}

}  // namespace

std::vector<std::uint8_t> decompressVbaContainer(std::span<const std::uint8_t> container, std::size_t maxSize) {
    if (container.empty() || container[0] != kContainerSignature)
        damaged("a compressed text does not start with its signature");
    std::vector<std::uint8_t> out;
    for (std::size_t at = 1; at < container.size();) {
        if (container.size() - at < 2) damaged("a chunk's header is cut short");
        const std::uint16_t header = base::getU16(container, at);
        if ((header >> 12 & 7) != kChunkSignature) damaged("a chunk's header is wrong");
        at += 2;
        // The last chunk may say it is longer than what is left: read what is there.
        const std::size_t size = std::min<std::size_t>((header & 0x0FFF) + 1u, container.size() - at);
        if ((header & kChunkCompressed) == 0) {
            const std::size_t stored = std::min(kChunkBytes, container.size() - at);
            if (out.size() + stored > maxSize) damaged("its text is larger than can be read");
            out.insert(out.end(), container.begin() + at, container.begin() + at + stored);
            at += stored;
            continue;
        }
        decompressChunk(container.subspan(at, size), out, maxSize);
        at += size;
    }
    return out;
}

VbaDirectory readVbaDirectory(std::span<const std::uint8_t> dir) {
    VbaDirectory directory;
    std::optional<VbaModuleEntry> module;
    // A module's names in the project's code page, kept until the Unicode ones say otherwise.
    std::optional<std::string> unicodeName, unicodeStream;
    const auto finishModule = [&] {
        if (!module) return;
        if (directory.modules.size() == kMaxModules) damaged("it lists more modules than a database holds");
        if (unicodeName && !unicodeName->empty()) module->name = *unicodeName;
        if (unicodeStream && !unicodeStream->empty()) module->streamName = *unicodeStream;
        directory.modules.push_back(std::move(*module));
        module.reset();
        unicodeName.reset();
        unicodeStream.reset();
    };
    for (std::size_t at = 0; at < dir.size();) {
        if (dir.size() - at < 6) damaged("its list of modules is cut short");
        const std::uint16_t id = base::getU16(dir, at);
        std::uint32_t size = base::getU32(dir, at + 2);
        at += 6;
        if (id == kProjectVersion) size = kProjectVersionBytes;
        if (size > dir.size() - at) damaged("its list of modules is cut short");
        const auto data = dir.subspan(at, size);
        at += size;
        switch (id) {
            case kProjectCodePage:
                if (size == 2) directory.codePage = base::getU16(data, 0);
                break;
            case kModuleName:
                finishModule();  // one left without its end record
                module.emplace();
                module->name = textOf(data, directory.codePage);
                break;
            case kModuleNameUnicode:
                unicodeName = utf8OfUtf16(data);
                break;
            case kModuleStreamName:
                if (module) module->streamName = textOf(data, directory.codePage);
                break;
            case kModuleStreamNameUnicode:
                unicodeStream = utf8OfUtf16(data);
                break;
            case kModuleOffset:
                if (module && size == 4) module->offset = base::getU32(data, 0);
                break;
            case kModuleStandard:
            case kModuleDocument:
                if (module) module->standard = id == kModuleStandard;
                break;
            case kModuleEnd:
                finishModule();
                break;
            case kDirEnd:
                finishModule();
                return directory;
        }
    }
    finishModule();
    return directory;
}

std::string vbaModuleSource(std::span<const std::uint8_t> stream, std::uint32_t offset, std::uint16_t codePage,
                            std::size_t maxSize) {
    if (offset >= stream.size()) damaged("a module's text starts past its stream's end");
    const auto text = decompressVbaContainer(stream.subspan(offset), maxSize);
    return textOf(text, codePage);
}

std::vector<std::pair<std::string, std::vector<std::uint8_t>>> readModuleContainer(
    std::span<const std::uint8_t> container) {
    if (container.size() < kModuleContainerHeader) damaged("a module's streams are cut short");
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> streams;
    for (std::size_t at = kModuleContainerHeader; at < container.size();) {
        const std::size_t nameBytes = container[at++];
        if (nameBytes % 2 != 0 || container.size() - at < nameBytes + 4)
            damaged("a module's streams are malformed");
        std::string name = utf8OfUtf16(container.subspan(at, nameBytes));
        at += nameBytes;
        const std::uint32_t size = base::getU32(container, at);
        at += 4;
        if (size > container.size() - at) damaged("a module's stream runs past its end");
        streams.emplace_back(std::move(name),
                             std::vector<std::uint8_t>(container.begin() + at, container.begin() + at + size));
        at += size;
    }
    return streams;
}

VbaProject readVbaProject(
    std::span<const std::uint8_t> compressedDir,
    const std::function<std::optional<std::span<const std::uint8_t>>(const VbaModuleEntry&)>& streamOf) {
    const VbaDirectory directory = readVbaDirectory(decompressVbaContainer(compressedDir));
    VbaProject project;
    std::size_t budget = kMaxVbaText;  // for all the modules together
    for (const auto& entry : directory.modules) {
        const auto stream = streamOf(entry);
        if (!stream) {
            project.problems.push_back("The module " + entry.name + " has no stream " + entry.streamName + ".");
            continue;
        }
        try {
            std::string source = vbaModuleSource(*stream, entry.offset, directory.codePage, budget);
            budget -= std::min(budget, source.size());
            project.modules.push_back({entry.name, entry.standard, std::move(source)});
        } catch (const DesignError& error) {
            project.problems.push_back("The module " + entry.name + " is left out. " + error.what());
        }
    }
    return project;
}

}  // namespace platform::jet::design
