#include "cli/cli_options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "cli/memory_limit.h"
#include "scale/batch_naming.h"

namespace {

struct KnownOption {
    char shortName;  // 0 when there is none
    const char* longName;
    bool takesValue;
};

constexpr KnownOption kOptions[] = {
    {'p', "percent", true},    {'x', "pixels", true},     {0, "no-lock", false},
    {0, "long-edge", true},    {0, "short-edge", true},   {0, "no-enlarge", false},
    {'b', "brightness", true}, {'c', "contrast", true},   {'r', "rotate", true},
    {0, "auto-orient", false}, {0, "select", true},       {'o', "output", true},
    {'d', "dest", true},       {'s', "suffix", true},     {'t', "type", true},
    {'y', "overwrite", false}, {'R', "recursive", false}, {0, "follow", false},
    {0, "files-from", true},   {'0', "null", false},      {'n', "dry-run", false},
    {0, "report", true},       {0, "shard", true},        {'j', "jobs", true},
    {'q', "quiet", false},     {'h', "help", false},      {'v', "version", false},
    {0, "memory-limit", true},
};

const KnownOption* findShort(char c) {
    for (const KnownOption& o : kOptions)
        if (o.shortName == c) return &o;
    return nullptr;
}

const KnownOption* findLong(const std::string& name) {
    for (const KnownOption& o : kOptions)
        if (name == o.longName) return &o;
    return nullptr;
}

// A whole decimal integer with an optional sign, from `low` to `high`.
int parseInt(const std::string& text, const std::string& option, int low = INT_MIN,
             int high = INT_MAX) {
    if (text.empty()) throw CliUsageError("--" + option + " needs a number");
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    const bool digitsOnly = text.find_first_not_of("+-0123456789") == std::string::npos;
    if (!digitsOnly || *end != '\0' || end == text.c_str())
        throw CliUsageError("--" + option + ": '" + text + "' is not a whole number");
    if (errno == ERANGE || value < low || value > high)
        throw CliUsageError("--" + option + ": '" + text + "' is out of range " +
                            std::to_string(low) + ".." + std::to_string(high));
    return static_cast<int>(value);
}

std::vector<int> parseList(const std::string& text, const std::string& option) {
    std::vector<int> values;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        values.push_back(parseInt(text.substr(start, comma - start), option));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return values;
}

// --shard K/N: 0 <= K < N.
void parseShard(const std::string& text, CliOptions& o) {
    const std::size_t slash = text.find('/');
    const char* const usage = "--shard takes K/N, a share K from 0 to N - 1 of N (such as 0/4)";
    if (slash == std::string::npos) throw CliUsageError(usage);
    int k = 0, n = 0;
    try {
        k = parseInt(text.substr(0, slash), "shard");
        n = parseInt(text.substr(slash + 1), "shard");
    } catch (const CliUsageError&) {
        throw CliUsageError(usage);
    }
    if (n < 1 || k < 0 || k >= n) throw CliUsageError(usage);
    o.ShardIndex = k;
    o.ShardCount = n;
}

// The picture types by the extensions an --output name may end in, in any
// case.
struct NamedType {
    const char* extension;
    PictureFileType type;
};

constexpr NamedType kTypeExtensions[] = {
    {".bmp", PictureFileType::BMP},   {".jpg", PictureFileType::JPEG},
    {".jpeg", PictureFileType::JPEG}, {".jpe", PictureFileType::JPEG},
    {".gif", PictureFileType::GIF},   {".png", PictureFileType::PNG},
};

const NamedType* findExtension(const std::string& extension) {
    std::string lower = extension;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    for (const NamedType& named : kTypeExtensions)
        if (lower == named.extension) return &named;
    return nullptr;
}

// The text from the last "." of the file-name part; empty when there is none.
std::string extensionOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return path.substr(dot);
}

// The type an --output name stands for when no --type is given: a name
// without an extension is a BMP file, as the save command writes one.
PictureFileType typeOfOutputName(const std::string& name) {
    const std::string extension = extensionOf(name);
    if (extension.empty()) return PictureFileType::BMP;
    if (const NamedType* named = findExtension(extension)) return named->type;
    std::string known;
    for (const NamedType& named : kTypeExtensions) {
        if (!known.empty()) known += &named == std::end(kTypeExtensions) - 1 ? " and " : ", ";
        known += named.extension;
    }
    throw CliUsageError("--output " + name + ": no picture type has the extension \"" + extension +
                        "\"; the known ones are " + known +
                        ", in any case, or --type gives the type");
}

struct Seen {
    bool percent = false, pixels = false, noLock = false, edge = false;
    bool dest = false, suffix = false, type = false;
    bool standardInput = false;
};

void apply(CliOptions& o, Seen& seen, const KnownOption& option, const std::string& value) {
    const std::string name = option.longName;
    if (name == "percent") {
        const std::vector<int> v = parseList(value, name);
        if (v.size() > 2) throw CliUsageError("--percent takes H or H,V");
        o.Settings.Unit = ScaleUnit::Percent;
        o.Settings.HorzValue = v[0];
        o.Settings.VertValue = v.size() == 2 ? v[1] : v[0];
        seen.percent = true;
    } else if (name == "pixels") {
        const std::vector<int> v = parseList(value, name);
        if (v.size() != 2) throw CliUsageError("--pixels takes W,H");
        o.Settings.Unit = ScaleUnit::Pixel;
        o.Settings.HorzValue = v[0];
        o.Settings.VertValue = v[1];
        seen.pixels = true;
    } else if (name == "no-lock") {
        o.Settings.AspectLock = false;
        seen.noLock = true;
    } else if (name == "long-edge" || name == "short-edge") {
        if (seen.edge) throw CliUsageError("--long-edge and --short-edge exclude each other");
        o.EdgeLength = parseInt(value, name, 1);
        o.Edge = name == "long-edge" ? EdgeRule::Long : EdgeRule::Short;
        seen.edge = true;
    } else if (name == "no-enlarge") {
        o.NoEnlarge = true;
    } else if (name == "auto-orient") {
        o.AutoOrient = true;
    } else if (name == "brightness") {
        o.Settings.BrightnessStep = parseInt(value, name, -10, 10);
    } else if (name == "contrast") {
        o.Settings.ContrastStep = parseInt(value, name, 0, 20);
    } else if (name == "rotate") {
        if (value == "0")
            o.Settings.Rotation = kRotate0;
        else if (value == "right")
            o.Settings.Rotation = kRotateRight;
        else if (value == "180")
            o.Settings.Rotation = kRotate180;
        else if (value == "left")
            o.Settings.Rotation = kRotateLeft;
        else
            throw CliUsageError("--rotate takes 0, right, 180 or left");
    } else if (name == "select") {
        const std::vector<int> v = parseList(value, name);
        if (v.size() != 4) throw CliUsageError("--select takes L,T,R,B");
        o.Selection = SelectionRect{v[0], v[1], v[2], v[3]};
    } else if (name == "output") {
        if (value.empty()) throw CliUsageError("--output needs a file name");
        o.Output = value;
    } else if (name == "dest") {
        o.Destination = value;
        seen.dest = true;
    } else if (name == "suffix") {
        o.Suffix = value;
        seen.suffix = true;
    } else if (name == "type") {
        if (value != "bmp" && value != "jpg" && value != "gif" && value != "png")
            throw CliUsageError("--type takes bmp, jpg, gif or png");
        o.Extension = "." + value;
        o.Type = findExtension(o.Extension)->type;
        seen.type = true;
    } else if (name == "overwrite") {
        o.Overwrite = true;
    } else if (name == "recursive") {
        o.Recursive = true;
    } else if (name == "follow") {
        o.Follow = true;
    } else if (name == "files-from") {
        if (value.empty())
            throw CliUsageError("--files-from needs a file name (- for standard input)");
        if (value == "-") {
            if (seen.standardInput) throw CliUsageError("--files-from reads standard input once");
            seen.standardInput = true;
        }
        o.FilesFrom.push_back(value);
    } else if (name == "null") {
        o.NullSeparated = true;
    } else if (name == "dry-run") {
        o.DryRun = true;
    } else if (name == "report") {
        if (value.empty())
            throw CliUsageError("--report needs a file name (- for standard output)");
        o.Report = value;
    } else if (name == "shard") {
        parseShard(value, o);
    } else if (name == "jobs") {
        o.Jobs = parseInt(value, name, 1, 1024);
    } else if (name == "memory-limit") {
        ParseMemorySize(value, "--memory-limit");
        o.MemoryLimit = value;
    } else if (name == "quiet") {
        o.Quiet = true;
    } else if (name == "help") {
        o.Help = true;
    } else if (name == "version") {
        o.Version = true;
    }
}

}  // namespace

CliOptions ParseCommandLine(const std::vector<std::string>& args) {
    CliOptions o;
    Seen seen;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            o.Files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        auto valueFor = [&](const KnownOption& option, std::string attached, bool hasAttached) {
            if (!option.takesValue) {
                if (hasAttached)
                    throw CliUsageError("--" + std::string(option.longName) + " takes no value");
                return std::string();
            }
            if (hasAttached) return attached;
            if (i + 1 >= args.size())
                throw CliUsageError("--" + std::string(option.longName) + " needs a value");
            return args[++i];
        };
        if (arg[1] == '-') {
            const std::size_t eq = arg.find('=');
            const std::string name =
                arg.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
            const KnownOption* option = findLong(name);
            if (!option) throw CliUsageError("unknown option --" + name);
            const bool hasValue = eq != std::string::npos;
            apply(o, seen, *option,
                  valueFor(*option, hasValue ? arg.substr(eq + 1) : "", hasValue));
            continue;
        }
        // Short options: flags may be grouped (-yq); a value may follow at
        // once (-p50) or as the next argument.
        for (std::size_t k = 1; k < arg.size(); ++k) {
            const KnownOption* option = findShort(arg[k]);
            if (!option) throw CliUsageError(std::string("unknown option -") + arg[k]);
            if (option->takesValue) {
                const bool attached = k + 1 < arg.size();
                apply(o, seen, *option,
                      valueFor(*option, attached ? arg.substr(k + 1) : "", attached));
                break;
            }
            apply(o, seen, *option, "");
        }
    }
    if (o.Help || o.Version) return o;
    if (seen.percent && seen.pixels)
        throw CliUsageError("--percent and --pixels exclude each other");
    if (seen.noLock && !seen.pixels) throw CliUsageError("--no-lock goes with --pixels");
    if (seen.edge && (seen.percent || seen.pixels))
        throw CliUsageError("--long-edge and --short-edge exclude --percent and --pixels");
    if (o.Follow && !o.Recursive) throw CliUsageError("--follow goes with --recursive");
    if (o.NullSeparated && o.FilesFrom.empty()) throw CliUsageError("-0 goes with --files-from");
    if (o.Files.empty() && o.FilesFrom.empty()) throw CliUsageError("no input files");
    if (!o.Output.empty()) {
        if (o.Files.size() > 1) throw CliUsageError("--output takes a single input file");
        if (seen.dest || seen.suffix)
            throw CliUsageError("--output names the file itself; --dest and --suffix do not apply");
        if (!seen.type) o.Type = typeOfOutputName(o.Output);
    }
    if (!IsFileName(o.Suffix)) throw CliUsageError(RefusedSuffixMessage());
    if (seen.dest && o.Destination.empty())
        throw CliUsageError("保存先に有効なフォルダが指定されていません");
    return o;
}

std::string UsageText() {
    return "Usage: skalomi-cli [options] FILE|FOLDER...\n"
           "Scales pictures with the Skalomi engine and saves the results.\n"
           "\n"
           "Options:\n"
           "  -p, --percent H[,V]      percent of the selection's width and height (V defaults to "
           "H;\n"
           "                           default 100)\n"
           "  -x, --pixels W,H         a pixel frame for the finished (rotated) picture\n"
           "      --no-lock            with --pixels: exactly W x H instead of the largest fit\n"
           "      --long-edge N        the finished picture's longer side becomes N pixels, the "
           "other\n"
           "                           follows the aspect, rounded as --pixels N,N rounds it\n"
           "                           (--long-edge 800: 4000 x 3000 becomes 800 x 600)\n"
           "      --short-edge N       the finished picture's shorter side becomes N pixels, the\n"
           "                           other follows the aspect, rounded as a pixel frame rounds "
           "it\n"
           "                           (--short-edge 600: 4000 x 3000 becomes 800 x 600)\n"
           "      --no-enlarge         a picture already within the asked size is written at 100 "
           "%,\n"
           "                           so no picture grows; a side is never made longer than it "
           "is\n"
           "                           (--long-edge 800 --no-enlarge: 640 x 480 stays 640 x 480)\n"
           "  -b, --brightness N       from -10 to 10 (default 0)\n"
           "  -c, --contrast N         0..20 (default 0)\n"
           "  -r, --rotate R           0, right, 180 or left (default 0)\n"
           "      --auto-orient        turn a JPEG upright by its EXIF orientation first; the\n"
           "                           selection and the sizes then refer to the upright picture\n"
           "      --select L,T,R,B     inclusive source rectangle, ordered and clamped to the "
           "picture\n"
           "  -o, --output FILE        output of a single input; its extension, in any case, "
           "gives\n"
           "                           the type: .bmp, .jpg, .jpeg, .jpe, .gif or .png (none: "
           "BMP);\n"
           "                           with --type the file is of that type whatever its name\n"
           "  -d, --dest DIR           destination folder (default: each source's folder), made\n"
           "                           with the folders above it when missing; the folders below "
           "a\n"
           "                           FOLDER given as input are made again in it\n"
           "  -s, --suffix TEXT        file-name suffix (default \"_ks\"); an output is named\n"
           "                           base name + suffix + extension of the type\n"
           "  -t, --type T             bmp, jpg, gif or png (default jpg), also of an --output "
           "file\n"
           "  -y, --overwrite          replace outputs that exist when the run starts (default:\n"
           "                           leave them and say so); an output that appears while\n"
           "                           the run goes on is never replaced\n"
           "  -R, --recursive          walk the folders below a FOLDER too; without it only the\n"
           "                           files in the FOLDER itself are taken\n"
           "      --follow             with -R: walk links to folders as well (each folder once)\n"
           "      --files-from LIST    read input files and folders from LIST, one a line\n"
           "                           (- for standard input)\n"
           "  -0, --null               the names in LIST are separated by NUL characters\n"
           "  -n, --dry-run            print each input's output name, source size and finished\n"
           "                           size, and which outputs exist already; write nothing\n"
           "      --report FILE        add a line of JSON to FILE (- for standard output) as each\n"
           "                           input ends: input, output, status, message, source and\n"
           "                           finished size, milliseconds; the status is ok (written),\n"
           "                           skipped (its output exists, or it is an output of this\n"
           "                           run), refused (unreadable, a size refused, a clash),\n"
           "                           failed (the system failed it) or, with --dry-run,\n"
           "                           planned (would be written); FILE may be none of the\n"
           "                           run's inputs and outputs, and if it exists it must be\n"
           "                           empty or a report\n"
           "      --shard K/N          take only the inputs at positions K, K + N, K + 2N, ... of\n"
           "                           the sorted input list (K from 0): N runs with K = 0 .. N-1\n"
           "                           scale every input once\n"
           "  -j, --jobs N             files scaled at once (default: the processors it may use);\n"
           "                           a file whose memory others hold waits for them\n"
           "      --memory-limit SIZE  all the jobs together hold at most SIZE bytes (K, M, G, T:\n"
           "                           binary units); default $SKALOMI_MEMORY_LIMIT, else 2G,\n"
           "                           or what the machine can give when less; 0: what the\n"
           "                           machine can give. A file that needs more is refused\n"
           "  -q, --quiet              no progress display\n"
           "  -h, --help               this text\n"
           "  -v, --version            the version of Skalomi\n"
           "\n"
           "A FOLDER stands for the files in it that a reader of the program takes (by\n"
           "their content, as when a file is opened); hidden files and folders, whose\n"
           "names start with \".\", are passed over. Inputs are taken in the sorted order\n"
           "of their names, each file once. Two inputs with one output name: the first\n"
           "is written and the second left as a clash, with --overwrite too. An output\n"
           "that would replace one of the run's own inputs is never written. A picture\n"
           "found in a FOLDER whose name is another input's output is taken for that\n"
           "output from an earlier run: it is no input, is reported as skipped, and\n"
           "--overwrite replaces it as any output; named on the command line, it is\n"
           "an input, and the input writing to it is refused.\n"
           "\n"
           "Exit status: 0 when every input was written or its output existed already\n"
           "(skipped), 1 when some input was refused, failed or clashed, 2 for a usage\n"
           "error; --dry-run ends with the status the run would end with.\n";
}
