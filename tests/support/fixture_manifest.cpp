#include "fixture_manifest.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

namespace quenzar::testsupport {

namespace {

std::string lineError(std::size_t lineNo, const std::string& what)
{
    return "manifest line " + std::to_string(lineNo) + ": " + what;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::vector<std::string_view> splitTabs(std::string_view line)
{
    std::vector<std::string_view> parts;
    std::size_t pos = 0;
    while (true) {
        std::size_t tab = line.find('\t', pos);
        parts.push_back(line.substr(pos, tab == std::string_view::npos ? std::string_view::npos : tab - pos));
        if (tab == std::string_view::npos) break;
        pos = tab + 1;
    }
    return parts;
}

// Field access for one line, with its line number for errors.
class Fields {
public:
    Fields(FieldMap map, std::size_t lineNo) : map_(std::move(map)), lineNo_(lineNo) {}

    const FieldMap& all() const { return map_; }
    bool has(std::string_view key) const { return map_.find(key) != map_.end(); }

    std::string str(std::string_view key, std::string fallback = {}) const
    {
        auto it = map_.find(key);
        return it == map_.end() ? fallback : it->second;
    }

    std::string required(std::string_view key) const
    {
        auto it = map_.find(key);
        if (it == map_.end()) throw ManifestError(lineError(lineNo_, "missing field " + std::string(key)));
        return it->second;
    }

    std::uint64_t u64(std::string_view key, std::uint64_t fallback = 0) const
    {
        auto it = map_.find(key);
        if (it == map_.end()) return fallback;
        return parseU64(key, it->second);
    }

    std::uint64_t requiredU64(std::string_view key) const { return parseU64(key, required(key)); }

    std::optional<std::uint64_t> optU64(std::string_view key) const
    {
        auto it = map_.find(key);
        if (it == map_.end() || it->second.empty()) return std::nullopt;
        return parseU64(key, it->second);
    }

    long long i64(std::string_view key, long long fallback) const
    {
        auto it = map_.find(key);
        if (it == map_.end()) return fallback;
        const std::string& v = it->second;
        long long out = 0;
        auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), out);
        if (ec != std::errc() || p != v.data() + v.size())
            throw ManifestError(lineError(lineNo_, "bad number in " + std::string(key) + "=" + v));
        return out;
    }

    bool flag(std::string_view key, bool fallback = false) const
    {
        auto it = map_.find(key);
        if (it == map_.end()) return fallback;
        if (it->second == "1") return true;
        if (it->second == "0") return false;
        throw ManifestError(lineError(lineNo_, "bad flag " + std::string(key) + "=" + it->second));
    }

    std::uint64_t parseU64(std::string_view key, const std::string& v) const
    {
        std::uint64_t out = 0;
        const char* b = v.data();
        const char* e = v.data() + v.size();
        int base = 10;
        if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) {
            b += 2;
            base = 16;
        }
        auto [p, ec] = std::from_chars(b, e, out, base);
        if (b == e || ec != std::errc() || p != e)
            throw ManifestError(lineError(lineNo_, "bad number in " + std::string(key) + "=" + v));
        return out;
    }

    std::size_t lineNo() const { return lineNo_; }

private:
    FieldMap map_;
    std::size_t lineNo_;
};

std::vector<RunFacts> parseRunList(const std::string& text, std::size_t lineNo)
{
    std::vector<RunFacts> runs;
    if (text.empty()) return runs;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t comma = text.find(',', pos);
        std::string item = text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        std::size_t colon = item.find(':');
        if (colon == std::string::npos) throw ManifestError(lineError(lineNo, "bad run " + item));
        RunFacts run;
        std::string lcn = item.substr(0, colon);
        std::string len = item.substr(colon + 1);
        auto num = [&](const std::string& s) {
            std::uint64_t v = 0;
            auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
            if (s.empty() || ec != std::errc() || p != s.data() + s.size())
                throw ManifestError(lineError(lineNo, "bad run " + item));
            return v;
        };
        if (lcn == "*") {
            run.sparse = true;
        } else {
            run.lcn = num(lcn);
        }
        run.length = num(len);
        runs.push_back(run);
        if (comma == std::string::npos) break;
        pos = comma + 1;
    }
    return runs;
}

PartitionFacts makePartition(const Fields& f)
{
    PartitionFacts p;
    p.image = f.required("image");
    p.index = static_cast<int>(f.i64("index", -1));
    p.number = static_cast<int>(f.i64("number", 0));
    p.scheme = f.required("scheme");
    p.slot = static_cast<int>(f.i64("slot", 0));
    p.ebrLba = f.optU64("ebr");
    if (f.has("type")) p.typeByte = static_cast<int>(f.u64("type"));
    p.gptEntry = static_cast<int>(f.i64("gpt_entry", 0));
    p.gptName = f.str("gpt_name");
    p.gptTypeGuid = f.str("gpt_type");
    p.gptGuid = f.str("gpt_guid");
    p.startLba = f.requiredU64("start");
    p.sectors = f.requiredU64("sectors");
    p.lbaStart = f.u64("lba_start", p.startLba);
    p.lbaCount = f.u64("lba_count", p.sectors);
    p.filesystem = f.str("fs", "none");
    p.sectorSize = static_cast<std::uint32_t>(f.u64("sector_size", 512));
    if (p.sectorSize == 0 || p.sectorSize % 512 != 0)
        throw ManifestError(lineError(f.lineNo(), "bad sector_size " + std::to_string(p.sectorSize)));
    p.clusterSize = static_cast<std::uint32_t>(f.u64("cluster"));
    p.label = f.str("label");
    p.serial = f.str("serial");
    p.fsSectors = f.u64("fs_sectors");
    p.clusters = f.u64("clusters");
    p.mftCluster = f.u64("mft_cluster");
    p.mftMirrorCluster = f.u64("mftmirr_cluster");
    p.mftRecordSize = static_cast<std::uint32_t>(f.u64("mft_record_size"));
    p.indexRecordSize = static_cast<std::uint32_t>(f.u64("index_record_size"));
    p.reservedSectors = static_cast<std::uint32_t>(f.u64("reserved_sectors"));
    p.fatSectors = static_cast<std::uint32_t>(f.u64("fat_sectors"));
    p.rootDirSectors = static_cast<std::uint32_t>(f.u64("root_dir_sectors"));
    p.fields = f.all();
    return p;
}

EntryFacts makeEntry(const Fields& f)
{
    EntryFacts e;
    e.image = f.required("image");
    e.partition = static_cast<int>(f.i64("part", -1));
    e.path = f.required("path");
    e.record = f.requiredU64("record");
    e.sequence = static_cast<std::uint32_t>(f.u64("seq"));
    e.parent = f.u64("parent");
    e.orphan = f.flag("orphan");
    e.parentSequence = static_cast<std::uint32_t>(f.u64("parent_seq"));
    std::string kind = f.required("kind");
    if (kind == "file") {
        e.kind = EntryKind::File;
    } else if (kind == "dir") {
        e.kind = EntryKind::Dir;
    } else {
        throw ManifestError(lineError(f.lineNo(), "bad kind " + kind));
    }
    e.deleted = f.flag("deleted");
    e.size = f.u64("size");
    e.md5 = f.str("md5");
    e.icatMd5 = f.str("icat_md5");
    e.intact = f.flag("intact", true);
    e.resident = f.flag("resident");
    e.sparse = f.flag("sparse");
    e.runs = parseRunList(f.str("runlist"), f.lineNo());
    e.runCount = static_cast<std::size_t>(f.u64("runs", e.runs.size()));
    if (e.runCount != e.runs.size())
        throw ManifestError(lineError(f.lineNo(), "runs= does not match runlist="));
    e.initSize = f.optU64("init_size");
    e.dosName = f.str("dos_name");
    e.dosNameFirst = f.flag("dos_first");
    e.fields = f.all();
    return e;
}

ImageFacts makeImage(const Fields& f)
{
    ImageFacts im;
    im.name = f.required("name");
    im.size = f.requiredU64("size");
    im.md5 = f.required("md5");
    im.sectors = f.u64("sectors", im.size / 512);
    im.sectorSize = static_cast<std::uint32_t>(f.u64("sector_size", 512));
    if (im.sectorSize == 0 || im.sectorSize % 512 != 0)
        throw ManifestError(lineError(f.lineNo(), "bad sector_size " + std::to_string(im.sectorSize)));
    im.lbaCount = f.u64("lba_count", im.size / im.sectorSize);
    im.scheme = f.str("scheme");
    im.diskId = f.str("disk_id");
    im.diskGuid = f.str("disk_guid");
    im.description = f.str("description");
    im.maskLba = f.optU64("mask_lba");
    im.maskFirstWord = static_cast<std::uint32_t>(f.u64("mask_first_word"));
    im.maskMd5 = f.str("mask_md5");
    im.maskedBlocks = f.u64("masked_blocks");
    im.unmaskedMd5 = f.str("unmasked_md5");
    im.hiddenMark = f.str("hidden_mark");
    im.savedCopyLba = f.optU64("saved_copy_lba");
    im.restoredMd5 = f.str("restored_md5");
    im.originalMd5 = f.str("original_md5");
    im.fields = f.all();
    return im;
}

} // namespace

std::string EntryFacts::name() const
{
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string EntryFacts::parentPath() const
{
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

const PartitionFacts* ImageFacts::partition(int index) const
{
    if (index < 0) return nullptr;
    for (const auto& p : partitions)
        if (p.index == index) return &p;
    return nullptr;
}

std::vector<const PartitionFacts*> ImageFacts::volumes() const
{
    std::vector<const PartitionFacts*> out;
    for (const auto& p : partitions)
        if (p.index >= 0) out.push_back(&p);
    std::sort(out.begin(), out.end(), [](auto* a, auto* b) { return a->index < b->index; });
    return out;
}

const EntryFacts* ImageFacts::entry(int partitionIndex, std::string_view entryPath) const
{
    for (const auto& e : entries)
        if (e.partition == partitionIndex && e.path == entryPath) return &e;
    return nullptr;
}

const EntryFacts* ImageFacts::entryByRecord(int partitionIndex, std::uint64_t record) const
{
    for (const auto& e : entries)
        if (e.partition == partitionIndex && e.record == record) return &e;
    return nullptr;
}

std::vector<const EntryFacts*> ImageFacts::entriesOf(int partitionIndex) const
{
    std::vector<const EntryFacts*> out;
    for (const auto& e : entries)
        if (e.partition == partitionIndex) out.push_back(&e);
    return out;
}

std::string decodeValue(std::string_view raw)
{
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '%' && i + 2 < raw.size()) {
            int hi = hexDigit(raw[i + 1]);
            int lo = hexDigit(raw[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.push_back(static_cast<char>(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        out.push_back(raw[i]);
    }
    return out;
}

std::string utf8(std::u8string_view text)
{
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

Manifest Manifest::parse(std::string_view text)
{
    Manifest m;
    std::size_t lineNo = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        std::string_view line = text.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
        pos = nl == std::string_view::npos ? text.size() : nl + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;

        auto parts = splitTabs(line);
        std::string kind(parts[0]);
        FieldMap map;
        for (std::size_t i = 1; i < parts.size(); ++i) {
            auto eq = parts[i].find('=');
            if (eq == std::string_view::npos || eq == 0)
                throw ManifestError(lineError(lineNo, "field without key=value: " + std::string(parts[i])));
            std::string key(parts[i].substr(0, eq));
            if (map.count(key)) throw ManifestError(lineError(lineNo, "field " + key + " twice"));
            map.emplace(std::move(key), decodeValue(parts[i].substr(eq + 1)));
        }
        Fields f(std::move(map), lineNo);

        if (kind == "format") {
            m.version = static_cast<int>(f.requiredU64("version"));
            if (m.version != 1)
                throw ManifestError(lineError(lineNo, "unknown manifest version " + std::to_string(m.version)));
        } else if (kind == "image") {
            ImageFacts im = makeImage(f);
            if (m.findImage(im.name)) throw ManifestError(lineError(lineNo, "image " + im.name + " twice"));
            m.images.push_back(std::move(im));
        } else if (kind == "partition" || kind == "entry") {
            std::string imageName = f.required("image");
            auto it = std::find_if(m.images.begin(), m.images.end(),
                                   [&](const ImageFacts& im) { return im.name == imageName; });
            if (it == m.images.end())
                throw ManifestError(lineError(lineNo, kind + " of unknown image " + imageName));
            if (kind == "partition") {
                it->partitions.push_back(makePartition(f));
            } else {
                EntryFacts e = makeEntry(f);
                if (!it->partition(e.partition))
                    throw ManifestError(lineError(lineNo, "entry of unknown partition " + std::to_string(e.partition)));
                it->entries.push_back(std::move(e));
            }
        }
        // Lines of other kinds are skipped: newer manifests may add some.
    }
    if (m.version == 0) throw ManifestError("manifest has no format line");
    return m;
}

Manifest Manifest::load(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) throw ManifestError("cannot open manifest " + file.string());
    std::ostringstream buf;
    buf << in.rdbuf();
    return parse(buf.str());
}

Manifest Manifest::loadFromDir(const std::filesystem::path& fixtureDir)
{
    return load(fixtureDir / "manifest.tsv");
}

const ImageFacts* Manifest::findImage(std::string_view imageName) const
{
    for (const auto& im : images)
        if (im.name == imageName) return &im;
    return nullptr;
}

const ImageFacts& Manifest::image(std::string_view imageName) const
{
    if (const auto* im = findImage(imageName)) return *im;
    throw ManifestError("no image " + std::string(imageName) + " in the manifest");
}

} // namespace quenzar::testsupport
