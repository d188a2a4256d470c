// Minidump writer. Layout (all little-endian, offsets from the file start):
//   header, stream directory, system info (+ its CSD string), exception stream,
//   thread list (one thread: the crashing one), its register context, module list
//   (+ names and CodeView records carrying ELF build ids), memory list (the stack),
//   the stack bytes, the process id (misc info), the Linux maps text and the process status text.
// Every size is planned before the first byte is written, then the file is written in
// one pass through a small buffer. Nothing here allocates or takes a lock.
#include "crash/minidump_writer.h"
#include "platform/types/byte_order.h"

#include <cerrno>
#include <cstring>
#include <elf.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <time.h>
#include <ucontext.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace {

constexpr std::uint32_t kSignature = 0x504D444D;  // "MDMP"
constexpr std::uint32_t kVersion = 0xA793;
constexpr std::uint32_t kThreadListStream = 3;
constexpr std::uint32_t kModuleListStream = 4;
constexpr std::uint32_t kMemoryListStream = 5;
constexpr std::uint32_t kExceptionStream = 6;
constexpr std::uint32_t kSystemInfoStream = 7;
constexpr std::uint32_t kMiscInfoStream = 15;
constexpr std::uint32_t kLinuxProcStatusStream = 0x47670003;
constexpr std::uint32_t kLinuxMapsStream = 0x47670009;
constexpr std::uint32_t kPlatformLinux = 0x8201;
constexpr std::uint32_t kCvSignatureElf = 0x4C457042;  // "BpEL": ELF build id record
constexpr int kStreamCount = 8;
constexpr std::uint64_t kStackLimit = 256 * 1024;
constexpr std::uint64_t kRedZone = 128;

#if defined(__x86_64__)
constexpr std::uint16_t kArchitecture = 9;  // AMD64
constexpr std::uint32_t kContextSize = 1232;
#elif defined(__aarch64__)
constexpr std::uint16_t kArchitecture = 12;  // ARM64
constexpr std::uint32_t kContextSize = 912;
#else
constexpr std::uint16_t kArchitecture = 0xFFFF;
constexpr std::uint32_t kContextSize = 0;
#endif

// Buffered sequential output with raw write(2).
class Out {
public:
    Out(int fd, unsigned char* buffer, std::size_t capacity) : m_fd(fd), m_buf(buffer), m_cap(capacity) {}
    void Put(const void* data, std::size_t n) {
        const unsigned char* p = static_cast<const unsigned char*>(data);
        while (n) {
            if (m_used == m_cap) Flush();
            std::size_t k = n < m_cap - m_used ? n : m_cap - m_used;
            std::memcpy(m_buf + m_used, p, k);
            m_used += k;
            p += k;
            n -= k;
            m_pos += k;
        }
    }
    void U8(std::uint8_t v) { Put(&v, 1); }
    void U16(std::uint16_t v) {
        unsigned char b[2];
        tb_bytes::StoreU16(b, v);
        Put(b, 2);
    }
    void U32(std::uint32_t v) {
        unsigned char b[4];
        tb_bytes::StoreU32(b, v);
        Put(b, 4);
    }
    void U64(std::uint64_t v) {
        unsigned char b[8];
        tb_bytes::StoreU64(b, v);
        Put(b, 8);
    }
    void Zero(std::size_t n) {
        while (n--) U8(0);
    }
    void PadTo(std::uint64_t pos) {
        while (m_pos < pos) U8(0);
    }
    void Location(std::uint32_t size, std::uint32_t rva) {
        U32(size);
        U32(rva);
    }
    // Copies live memory: written straight from the address; memory the kernel
    // cannot read (EFAULT) is written as zeros so the planned layout holds.
    void Memory(std::uint64_t address, std::size_t n) {
        Flush();
        while (n && m_ok) {
            // The raw system call: memory checkers that wrap write() would object to the
            // guard zones of the stack being copied.
            ssize_t w = syscall(SYS_write, m_fd, reinterpret_cast<const void*>(address), n);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                std::size_t page = 4096 - (address & 4095);
                std::size_t k = page < n ? page : n;
                Zero(k);
                Flush();
                address += k;
                n -= k;
                continue;
            }
            address += static_cast<std::uint64_t>(w);
            n -= static_cast<std::size_t>(w);
            m_pos += static_cast<std::uint64_t>(w);
        }
    }
    void Flush() {
        std::size_t done = 0;
        while (done < m_used && m_ok) {
            ssize_t w = write(m_fd, m_buf + done, m_used - done);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                m_ok = false;
                break;
            }
            done += static_cast<std::size_t>(w);
        }
        m_used = 0;
    }
    std::uint64_t Pos() const { return m_pos; }
    bool Ok() const { return m_ok; }

private:
    int m_fd;
    unsigned char* m_buf;
    std::size_t m_cap;
    std::size_t m_used = 0;
    std::uint64_t m_pos = 0;
    bool m_ok = true;
};

// UTF-8 decoding for the UTF-16 strings of the dump; bad bytes become U+FFFD.
std::uint32_t NextCodePoint(const char* s, std::size_t n, std::size_t& i) {
    unsigned char c = static_cast<unsigned char>(s[i++]);
    if (c < 0x80) return c;
    int extra = c >= 0xF0 && c < 0xF8 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
    if (extra < 0) return 0xFFFD;
    std::uint32_t cp = c & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        if (i >= n || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 0xFFFD;
        cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    }
    return cp > 0x10FFFF ? 0xFFFD : cp;
}

std::uint32_t Utf16Units(const char* s, std::size_t n) {
    std::uint32_t units = 0;
    for (std::size_t i = 0; i < n;) units += NextCodePoint(s, n, i) >= 0x10000 ? 2 : 1;
    return units;
}

// MINIDUMP_STRING: byte length (without terminator), UTF-16LE text, a zero terminator.
std::uint32_t StringSize(const char* s, std::size_t n) { return 4 + 2 * Utf16Units(s, n) + 2; }

void PutString(Out& out, const char* s, std::size_t n) {
    out.U32(2 * Utf16Units(s, n));
    for (std::size_t i = 0; i < n;) {
        std::uint32_t cp = NextCodePoint(s, n, i);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.U16(std::uint16_t(0xD800 + (cp >> 10)));
            out.U16(std::uint16_t(0xDC00 + (cp & 0x3FF)));
        } else {
            out.U16(std::uint16_t(cp));
        }
    }
    out.U16(0);
}

std::uint64_t Align(std::uint64_t v, std::uint64_t a) { return (v + a - 1) & ~(a - 1); }

// Appends text to a fixed buffer; returns the new length.
std::size_t Append(char* buf, std::size_t used, std::size_t cap, const char* s) {
    while (*s && used < cap) buf[used++] = *s++;
    return used;
}

// "6.1.0-18-amd64" -> 6, 1, 0.
void ParseRelease(const char* release, std::uint32_t v[3]) {
    int part = 0;
    v[0] = v[1] = v[2] = 0;
    for (const char* p = release; *p && part < 3; ++p) {
        if (*p >= '0' && *p <= '9')
            v[part] = v[part] * 10 + std::uint32_t(*p - '0');
        else if (*p == '.')
            ++part;
        else
            break;
    }
}

bool Readable(const TBMinidumpScratch& s, int count, std::uint64_t address, std::uint64_t length) {
    if (address + length < address) return false;
    for (int i = 0; i < count; ++i) {
        const TBMapping& m = s.mappings[i];
        if (m.readable && address >= m.start && address + length <= m.end) return true;
    }
    return false;
}

// The program headers of the 64-bit ELF image mapped at base, when the memory map shows
// its file header and program header table readable.
bool ReadProgramHeaderTable(const TBMinidumpScratch& s, int mappingCount, std::uint64_t base, std::uint64_t& phAddress,
                            int& phCount) {
    Elf64_Ehdr eh;
    if (!Readable(s, mappingCount, base, sizeof eh)) return false;
    std::memcpy(&eh, reinterpret_cast<const void*>(base), sizeof eh);
    if (std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0 || eh.e_ident[EI_CLASS] != ELFCLASS64 ||
        eh.e_phentsize != sizeof(Elf64_Phdr) || eh.e_phnum == 0 || eh.e_phnum > 256)
        return false;
    phAddress = base + eh.e_phoff;
    phCount = eh.e_phnum;
    return Readable(s, mappingCount, phAddress, std::uint64_t(eh.e_phnum) * sizeof(Elf64_Phdr));
}

Elf64_Phdr ProgramHeader(std::uint64_t phAddress, int index) {
    Elf64_Phdr ph;
    std::memcpy(&ph, reinterpret_cast<const void*>(phAddress + index * sizeof ph), sizeof ph);
    return ph;
}

// Where the image's virtual address 0 lies: the first loadable segment is mapped at base.
std::uint64_t LoadBias(std::uint64_t base, std::uint64_t phAddress, int phCount) {
    for (int i = 0; i < phCount; ++i) {
        const Elf64_Phdr ph = ProgramHeader(phAddress, i);
        if (ph.p_type == PT_LOAD) return base - (ph.p_vaddr & ~std::uint64_t(4095));
    }
    return base;
}

// The GNU build id among the notes in [note, end); its length, 0 when there is none.
std::size_t BuildIdInNotes(std::uint64_t note, std::uint64_t end, unsigned char* id, std::size_t capacity) {
    while (note + sizeof(Elf64_Nhdr) <= end) {
        Elf64_Nhdr nh;
        std::memcpy(&nh, reinterpret_cast<const void*>(note), sizeof nh);
        std::uint64_t name = note + sizeof nh;
        std::uint64_t desc = name + Align(nh.n_namesz, 4);
        std::uint64_t next = desc + Align(nh.n_descsz, 4);
        if (next > end || next <= note) break;
        if (nh.n_type == NT_GNU_BUILD_ID && nh.n_namesz == 4 &&
            std::memcmp(reinterpret_cast<const void*>(name), "GNU", 4) == 0 && nh.n_descsz > 0 &&
            nh.n_descsz <= capacity) {
            std::memcpy(id, reinterpret_cast<const void*>(desc), nh.n_descsz);
            return nh.n_descsz;
        }
        note = next;
    }
    return 0;
}

// Finds the GNU build id note of the ELF image mapped at base, reading only memory that
// the memory map shows readable. Returns its length (0 when there is none).
std::size_t FindBuildId(const TBMinidumpScratch& s, int mappingCount, std::uint64_t base, unsigned char* id,
                        std::size_t capacity) {
    std::uint64_t phAddress = 0;
    int phCount = 0;
    if (!ReadProgramHeaderTable(s, mappingCount, base, phAddress, phCount)) return 0;
    const std::uint64_t bias = LoadBias(base, phAddress, phCount);
    for (int i = 0; i < phCount; ++i) {
        const Elf64_Phdr ph = ProgramHeader(phAddress, i);
        if (ph.p_type != PT_NOTE || ph.p_memsz > (1u << 20)) continue;
        const std::uint64_t note = bias + ph.p_vaddr;
        if (!Readable(s, mappingCount, note, ph.p_memsz)) continue;
        const std::size_t length = BuildIdInNotes(note, note + ph.p_memsz, id, capacity);
        if (length) return length;
    }
    return 0;
}

std::uint64_t StackPointer(const void* uc) {
    if (!uc) return 0;
    const ucontext_t* c = static_cast<const ucontext_t*>(uc);
#if defined(__x86_64__)
    return std::uint64_t(c->uc_mcontext.gregs[REG_RSP]);
#elif defined(__aarch64__)
    return c->uc_mcontext.sp;
#else
    (void)c;
    return 0;
#endif
}

#if defined(__x86_64__)
void PutAmd64Context(Out& out, const ucontext_t* c) {
    const greg_t* g = c ? c->uc_mcontext.gregs : nullptr;
    auto reg = [&](int r) { return g ? std::uint64_t(g[r]) : 0; };
    out.Zero(6 * 8);      // P1Home..P6Home
    out.U32(0x0010000F);  // AMD64: control, integer, segments, floating point
    const struct _libc_fpstate* fp = c ? c->uc_mcontext.fpregs : nullptr;
    out.U32(fp ? fp->mxcsr : 0);  // MxCsr
    std::uint64_t csgsfs = reg(REG_CSGSFS);
    out.U16(std::uint16_t(csgsfs));  // SegCs
    out.U16(0);
    out.U16(0);                            // SegDs, SegEs
    out.U16(std::uint16_t(csgsfs >> 32));  // SegFs
    out.U16(std::uint16_t(csgsfs >> 16));  // SegGs
    out.U16(0x2B);                         // SegSs: user data selector
    out.U32(std::uint32_t(reg(REG_EFL)));  // EFlags
    out.Zero(6 * 8);                       // Dr0..Dr3, Dr6, Dr7
    const int order[16] = {REG_RAX, REG_RCX, REG_RDX, REG_RBX, REG_RSP, REG_RBP, REG_RSI, REG_RDI,
                           REG_R8,  REG_R9,  REG_R10, REG_R11, REG_R12, REG_R13, REG_R14, REG_R15};
    for (int r : order) out.U64(reg(r));
    out.U64(reg(REG_RIP));
    if (fp)
        out.Put(fp, 512);  // FltSave: the FXSAVE image
    else
        out.Zero(512);
}
#elif defined(__aarch64__)
void PutArm64Context(Out& out, const ucontext_t* c) {
    out.U32(0x00400003);  // ARM64: control, integer
    out.U32(c ? std::uint32_t(c->uc_mcontext.pstate) : 0);
    for (int r = 0; r < 31; ++r) out.U64(c ? c->uc_mcontext.regs[r] : 0);  // X0..X28, Fp, Lr
    out.U64(c ? c->uc_mcontext.sp : 0);
    out.U64(c ? c->uc_mcontext.pc : 0);
}
#endif

// The thread's registers in the dump's CONTEXT layout of this architecture.
void PutContext(Out& out, const void* uc) {
    const std::uint64_t start = out.Pos();
    const ucontext_t* c = static_cast<const ucontext_t*>(uc);
#if defined(__x86_64__)
    PutAmd64Context(out, c);
#elif defined(__aarch64__)
    PutArm64Context(out, c);
#else
    (void)c;
#endif
    out.PadTo(start + kContextSize);
}

std::uint64_t InstructionPointer(const void* uc) {
    if (!uc) return 0;
    const ucontext_t* c = static_cast<const ucontext_t*>(uc);
#if defined(__x86_64__)
    return std::uint64_t(c->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    return c->uc_mcontext.pc;
#else
    (void)c;
    return 0;
#endif
}

std::uint16_t ProcessorLevel() {
#if defined(__x86_64__) || defined(__i386__)
    unsigned a = 0, b = 0, cc = 0, d = 0;
    if (__get_cpuid(1, &a, &b, &cc, &d)) {
        unsigned family = (a >> 8) & 0xF;
        if (family == 0xF) family += (a >> 20) & 0xFF;
        return std::uint16_t(family);
    }
#endif
    return 0;
}

// ---------------------------------------------------------------- gathering

// What the dump describes, gathered before its layout is planned. The memory map,
// process status, modules and build ids themselves stay in the scratch buffers.
struct DumpFacts {
    std::size_t mapsLength = 0;
    std::size_t statusLength = 0;
    int mappingCount = 0;
    int moduleCount = 0;
    char csd[4 * 65 + 8];  // "sysname release version machine"
    std::size_t csdLength = 0;
    std::uint32_t release[3] = {0, 0, 0};
    std::uint64_t stackStart = 0;
    std::uint64_t stackSize = 0;
    std::uint32_t threadId = 0;
};

// Memory map, process status, the modules and their build ids.
void GatherProcess(TBMinidumpScratch& s, DumpFacts& facts) {
    facts.mapsLength = TBReadWholeFile("/proc/self/maps", s.maps, sizeof s.maps);
    facts.statusLength = TBReadWholeFile("/proc/self/status", s.status, sizeof s.status);
    facts.mappingCount = TBParseMaps(s.maps, facts.mapsLength, s.mappings, TBMinidumpScratch::kMaxMappings);
    facts.moduleCount =
        TBModulesFromMappings(s.maps, s.mappings, facts.mappingCount, s.modules, TBMinidumpScratch::kMaxModules);
    for (int i = 0; i < facts.moduleCount; ++i)
        s.buildIdLength[i] = static_cast<unsigned char>(
            FindBuildId(s, facts.mappingCount, s.modules[i].base, s.buildIds[i], sizeof s.buildIds[i]));
}

// The kernel's names: the CSD text "sysname release version machine" and the release
// as three numbers.
void GatherSystemNames(DumpFacts& facts) {
    struct utsname uts;
    if (uname(&uts) != 0) std::memset(&uts, 0, sizeof uts);
    const std::size_t cap = sizeof facts.csd;
    std::size_t n = 0;
    n = Append(facts.csd, n, cap, uts.sysname);
    n = Append(facts.csd, n, cap, " ");
    n = Append(facts.csd, n, cap, uts.release);
    n = Append(facts.csd, n, cap, " ");
    n = Append(facts.csd, n, cap, uts.version);
    n = Append(facts.csd, n, cap, " ");
    n = Append(facts.csd, n, cap, uts.machine);
    facts.csdLength = n;
    ParseRelease(uts.release, facts.release);
}

// The crashing thread's stack: from just below the stack pointer (the red zone) to
// the end of its mapping, at most kStackLimit bytes.
void LocateStack(const TBMinidumpScratch& s, std::uint64_t sp, DumpFacts& facts) {
    for (int i = 0; i < facts.mappingCount && sp; ++i) {
        const TBMapping& m = s.mappings[i];
        if (sp >= m.start && sp < m.end && m.readable) {
            std::uint64_t start = sp - kRedZone >= m.start ? (sp - kRedZone) & ~std::uint64_t(15) : m.start;
            if (start < m.start) start = m.start;
            std::uint64_t size = m.end - start;
            if (size > kStackLimit) size = kStackLimit;
            facts.stackStart = start;
            facts.stackSize = size;
            return;
        }
    }
}

// ---------------------------------------------------------------- layout

// Where each stream and its parts lie, as offsets from the file start.
struct DumpLayout {
    std::uint64_t sysInfo, csd, exception, threadList, context, moduleList, moduleExtras, memoryList, stack, misc, maps,
        status, end;
};

constexpr std::uint32_t kSystemInfoSize = 56;
constexpr std::uint32_t kExceptionSize = 168;
constexpr std::uint32_t kThreadListSize = 4 + 48;
constexpr std::uint32_t kModuleSize = 108;
constexpr std::uint32_t kMemoryListSize = 4 + 16;
constexpr std::uint32_t kMiscInfoSize = 24;

// A module's name, then (when it has one) its CodeView record, each 4-aligned; returns
// where the next module's name may start. nameRva and cvRva receive their places.
std::uint64_t PlaceModuleExtras(const TBMinidumpScratch& s, int i, std::uint64_t at, std::uint64_t& nameRva,
                                std::uint64_t& cvRva) {
    const TBModuleRange& m = s.modules[i];
    nameRva = Align(at, 4);
    at = nameRva + StringSize(s.maps + m.pathOffset, m.pathLength);
    cvRva = 0;
    if (s.buildIdLength[i]) {
        cvRva = Align(at, 4);
        at = cvRva + 4 + s.buildIdLength[i];
    }
    return at;
}

DumpLayout PlanLayout(const TBMinidumpScratch& s, const DumpFacts& facts) {
    DumpLayout l;
    std::uint64_t pos = 32 + kStreamCount * 12;  // header and directory
    l.sysInfo = pos = Align(pos, 8);
    pos += kSystemInfoSize;
    l.csd = pos = Align(pos, 4);
    pos += StringSize(facts.csd, facts.csdLength);
    l.exception = pos = Align(pos, 8);
    pos += kExceptionSize;
    l.threadList = pos = Align(pos, 8);
    pos += kThreadListSize;
    l.context = pos = Align(pos, 16);
    pos += kContextSize;
    l.moduleList = pos = Align(pos, 8);
    pos += 4 + std::uint64_t(kModuleSize) * std::uint64_t(facts.moduleCount);
    l.moduleExtras = pos;
    std::uint64_t nameRva, cvRva;
    for (int i = 0; i < facts.moduleCount; ++i) pos = PlaceModuleExtras(s, i, pos, nameRva, cvRva);
    l.memoryList = pos = Align(pos, 8);
    pos += kMemoryListSize;
    l.stack = pos = Align(pos, 16);
    pos += facts.stackSize;
    l.misc = pos = Align(pos, 8);
    pos += kMiscInfoSize;
    l.maps = pos;
    pos += facts.mapsLength;
    l.status = pos;
    pos += facts.statusLength;
    l.end = pos;
    return l;
}

// ---------------------------------------------------------------- streams

void WriteHeader(Out& out) {
    out.U32(kSignature);
    out.U32(kVersion);
    out.U32(kStreamCount);
    out.U32(32);  // the directory follows the header
    out.U32(0);   // checksum
    out.U32(std::uint32_t(time(nullptr)));
    out.U64(0);  // flags
}

void PutDirectoryEntry(Out& out, std::uint32_t type, std::uint64_t size, std::uint64_t rva) {
    out.U32(type);
    out.Location(std::uint32_t(size), std::uint32_t(rva));
}

void WriteDirectory(Out& out, const DumpFacts& facts, const DumpLayout& l) {
    PutDirectoryEntry(out, kSystemInfoStream, kSystemInfoSize, l.sysInfo);
    PutDirectoryEntry(out, kExceptionStream, kExceptionSize, l.exception);
    PutDirectoryEntry(out, kThreadListStream, kThreadListSize, l.threadList);
    PutDirectoryEntry(out, kModuleListStream, 4 + kModuleSize * std::uint32_t(facts.moduleCount), l.moduleList);
    PutDirectoryEntry(out, kMemoryListStream, kMemoryListSize, l.memoryList);
    PutDirectoryEntry(out, kMiscInfoStream, kMiscInfoSize, l.misc);
    PutDirectoryEntry(out, kLinuxMapsStream, facts.mapsLength, l.maps);
    PutDirectoryEntry(out, kLinuxProcStatusStream, facts.statusLength, l.status);
}

// The processor's vendor text and its version and feature words.
void PutCpuInfo(Out& out) {
#if defined(__x86_64__) || defined(__i386__)
    unsigned vendor[4] = {0, 0, 0, 0}, a = 0, b = 0, c = 0, d = 0;
    __get_cpuid(0, &vendor[3], &vendor[0], &vendor[2], &vendor[1]);  // EBX, EDX, ECX order
    __get_cpuid(1, &a, &b, &c, &d);
    out.U32(vendor[0]);
    out.U32(vendor[1]);
    out.U32(vendor[2]);
    out.U32(a);
    out.U32(d);
    out.U32(0);
#else
    out.Zero(24);
#endif
}

void WriteSystemInfo(Out& out, const TBMinidumpScratch& s, const DumpFacts& facts, const DumpLayout& l) {
    out.PadTo(l.sysInfo);
    out.U16(kArchitecture);
    out.U16(ProcessorLevel());
    out.U16(0);  // revision
    out.U8(std::uint8_t(s.processorCount > 255 ? 255 : s.processorCount));
    out.U8(1);  // product type: workstation
    out.U32(facts.release[0]);
    out.U32(facts.release[1]);
    out.U32(facts.release[2]);
    out.U32(kPlatformLinux);
    out.U32(std::uint32_t(l.csd));
    out.U16(0);  // suite mask
    out.U16(0);
    PutCpuInfo(out);
    out.PadTo(l.csd);
    PutString(out, facts.csd, facts.csdLength);
}

// The signal number, its code and the faulting address, as Linux debuggers read
// minidumps.
void WriteException(Out& out, const TBMinidumpCrash& crash, const DumpFacts& facts, const DumpLayout& l) {
    out.PadTo(l.exception);
    out.U32(facts.threadId);
    out.U32(0);  // alignment
    out.U32(std::uint32_t(crash.signal));
    out.U32(std::uint32_t(crash.signalCode));
    out.U64(0);  // nested exception record
    out.U64(crash.signal == SIGSEGV || crash.signal == SIGBUS ? crash.faultAddress
                                                              : InstructionPointer(crash.ucontext));
    out.U32(0);  // parameter count
    out.U32(0);
    out.Zero(15 * 8);  // parameters
    out.Location(kContextSize, std::uint32_t(l.context));
}

// One thread, the crashing one: its stack and its register context.
void WriteThreadList(Out& out, const TBMinidumpCrash& crash, const DumpFacts& facts, const DumpLayout& l) {
    out.PadTo(l.threadList);
    out.U32(1);
    out.U32(facts.threadId);
    out.U32(0);  // suspend count
    out.U32(0);  // priority class
    out.U32(0);  // priority
    out.U64(0);  // TEB
    out.U64(facts.stackStart);
    out.Location(std::uint32_t(facts.stackSize), std::uint32_t(facts.stackSize ? l.stack : 0));
    out.Location(kContextSize, std::uint32_t(l.context));
    out.PadTo(l.context);
    PutContext(out, crash.ucontext);
}

void PutModule(Out& out, const TBModuleRange& m, std::uint64_t nameRva, std::uint32_t cvSize, std::uint64_t cvRva) {
    std::uint64_t size = m.end - m.base;
    out.U64(m.base);
    out.U32(std::uint32_t(size > 0xFFFFFFFFull ? 0xFFFFFFFFull : size));
    out.U32(0);  // checksum
    out.U32(0);  // time stamp
    out.U32(std::uint32_t(nameRva));
    out.Zero(52);  // version information
    out.Location(cvSize, std::uint32_t(cvRva));
    out.Location(0, 0);  // misc record
    out.U64(0);
    out.U64(0);
}

// The module list, then the names and build id records it points at.
void WriteModuleList(Out& out, const TBMinidumpScratch& s, const DumpFacts& facts, const DumpLayout& l) {
    out.PadTo(l.moduleList);
    out.U32(std::uint32_t(facts.moduleCount));
    std::uint64_t extra = l.moduleExtras;
    for (int i = 0; i < facts.moduleCount; ++i) {
        std::uint64_t nameRva, cvRva;
        extra = PlaceModuleExtras(s, i, extra, nameRva, cvRva);
        const std::uint32_t cvSize = s.buildIdLength[i] ? 4u + s.buildIdLength[i] : 0u;
        PutModule(out, s.modules[i], nameRva, cvSize, cvRva);
    }
    for (int i = 0; i < facts.moduleCount; ++i) {
        out.PadTo(Align(out.Pos(), 4));
        PutString(out, s.maps + s.modules[i].pathOffset, s.modules[i].pathLength);
        if (s.buildIdLength[i]) {
            out.PadTo(Align(out.Pos(), 4));
            out.U32(kCvSignatureElf);
            out.Put(s.buildIds[i], s.buildIdLength[i]);
        }
    }
}

// One memory range, the stack, and its bytes copied from the live process.
void WriteMemoryList(Out& out, const DumpFacts& facts, const DumpLayout& l) {
    out.PadTo(l.memoryList);
    out.U32(1);
    out.U64(facts.stackStart);
    out.Location(std::uint32_t(facts.stackSize), std::uint32_t(facts.stackSize ? l.stack : 0));
    out.PadTo(l.stack);
    out.Memory(facts.stackStart, facts.stackSize);
}

// The process id.
void WriteMiscInfo(Out& out, const DumpLayout& l) {
    out.PadTo(l.misc);
    out.U32(kMiscInfoSize);
    out.U32(1);  // flags: the process id is valid
    out.U32(std::uint32_t(getpid()));
    out.Zero(12);
}

// The memory map and the process status as the kernel printed them.
void WriteLinuxTexts(Out& out, const TBMinidumpScratch& s, const DumpFacts& facts) {
    out.Put(s.maps, facts.mapsLength);
    out.Put(s.status, facts.statusLength);
}

}  // namespace

bool TBWriteMinidump(int fd, const TBMinidumpCrash& crash, TBMinidumpScratch& s) {
    DumpFacts facts;
    GatherProcess(s, facts);
    GatherSystemNames(facts);
    LocateStack(s, StackPointer(crash.ucontext), facts);
    facts.threadId = std::uint32_t(syscall(SYS_gettid));

    const DumpLayout layout = PlanLayout(s, facts);
    if (layout.end > 0xFFFFFFFFull) return false;

    Out out(fd, s.out, sizeof s.out);
    WriteHeader(out);
    WriteDirectory(out, facts, layout);
    WriteSystemInfo(out, s, facts, layout);
    WriteException(out, crash, facts, layout);
    WriteThreadList(out, crash, facts, layout);
    WriteModuleList(out, s, facts, layout);
    WriteMemoryList(out, facts, layout);
    WriteMiscInfo(out, layout);
    WriteLinuxTexts(out, s, facts);
    out.Flush();
    return out.Ok() && out.Pos() == layout.end;
}
