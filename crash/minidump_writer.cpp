// Minidump writer. Layout (all little-endian, offsets from the file start):
//   header, stream directory, system info (+ its CSD string), exception stream,
//   thread list (one thread: the crashing one), its register context, module list
//   (+ names and CodeView records carrying ELF build ids), memory list (the stack),
//   the stack bytes, the process id (misc info), the Linux maps text and the process status text.
// Every size is planned before the first byte is written, then the file is written in
// one pass through a small buffer. Nothing here allocates or takes a lock.
#include "crash/minidump_writer.h"
#include "exchange/byte_order.h"

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

// Finds the GNU build id note of the ELF image mapped at base, reading only memory that
// the memory map shows readable. Returns its length (0 when there is none).
std::size_t FindBuildId(const TBMinidumpScratch& s, int mappingCount, std::uint64_t base, unsigned char* id,
                        std::size_t capacity) {
    Elf64_Ehdr eh;
    if (!Readable(s, mappingCount, base, sizeof eh)) return 0;
    std::memcpy(&eh, reinterpret_cast<const void*>(base), sizeof eh);
    if (std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0 || eh.e_ident[EI_CLASS] != ELFCLASS64 ||
        eh.e_phentsize != sizeof(Elf64_Phdr) || eh.e_phnum == 0 || eh.e_phnum > 256)
        return 0;
    std::uint64_t phAddress = base + eh.e_phoff;
    if (!Readable(s, mappingCount, phAddress, std::uint64_t(eh.e_phnum) * sizeof(Elf64_Phdr))) return 0;
    std::uint64_t bias = base;
    bool haveBias = false;
    for (int i = 0; i < eh.e_phnum; ++i) {
        Elf64_Phdr ph;
        std::memcpy(&ph, reinterpret_cast<const void*>(phAddress + i * sizeof ph), sizeof ph);
        if (ph.p_type == PT_LOAD && !haveBias) {
            bias = base - (ph.p_vaddr & ~std::uint64_t(4095));
            haveBias = true;
        }
    }
    for (int i = 0; i < eh.e_phnum; ++i) {
        Elf64_Phdr ph;
        std::memcpy(&ph, reinterpret_cast<const void*>(phAddress + i * sizeof ph), sizeof ph);
        if (ph.p_type != PT_NOTE || ph.p_memsz > (1u << 20)) continue;
        std::uint64_t note = bias + ph.p_vaddr;
        if (!Readable(s, mappingCount, note, ph.p_memsz)) continue;
        std::uint64_t end = note + ph.p_memsz;
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

// The thread's registers in the dump's CONTEXT layout of this architecture.
void PutContext(Out& out, const void* uc) {
    const std::uint64_t start = out.Pos();
    const ucontext_t* c = static_cast<const ucontext_t*>(uc);
#if defined(__x86_64__)
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
#elif defined(__aarch64__)
    out.U32(0x00400003);  // ARM64: control, integer
    out.U32(c ? std::uint32_t(c->uc_mcontext.pstate) : 0);
    for (int r = 0; r < 31; ++r) out.U64(c ? c->uc_mcontext.regs[r] : 0);  // X0..X28, Fp, Lr
    out.U64(c ? c->uc_mcontext.sp : 0);
    out.U64(c ? c->uc_mcontext.pc : 0);
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

}  // namespace

bool TBWriteMinidump(int fd, const TBMinidumpCrash& crash, TBMinidumpScratch& s) {
    // Gather: memory map, process status, modules, build ids, system names.
    std::size_t mapsLength = TBReadWholeFile("/proc/self/maps", s.maps, sizeof s.maps);
    std::size_t statusLength = TBReadWholeFile("/proc/self/status", s.status, sizeof s.status);
    int mappingCount = TBParseMaps(s.maps, mapsLength, s.mappings, TBMinidumpScratch::kMaxMappings);
    int moduleCount =
        TBModulesFromMappings(s.maps, s.mappings, mappingCount, s.modules, TBMinidumpScratch::kMaxModules);
    for (int i = 0; i < moduleCount; ++i)
        s.buildIdLength[i] = static_cast<unsigned char>(
            FindBuildId(s, mappingCount, s.modules[i].base, s.buildIds[i], sizeof s.buildIds[i]));

    struct utsname uts;
    if (uname(&uts) != 0) std::memset(&uts, 0, sizeof uts);
    char csd[4 * 65 + 8];
    std::size_t csdLength = 0;
    csdLength = Append(csd, csdLength, sizeof csd, uts.sysname);
    csdLength = Append(csd, csdLength, sizeof csd, " ");
    csdLength = Append(csd, csdLength, sizeof csd, uts.release);
    csdLength = Append(csd, csdLength, sizeof csd, " ");
    csdLength = Append(csd, csdLength, sizeof csd, uts.version);
    csdLength = Append(csd, csdLength, sizeof csd, " ");
    csdLength = Append(csd, csdLength, sizeof csd, uts.machine);
    std::uint32_t release[3];
    ParseRelease(uts.release, release);

    // The crashing thread's stack: from just below the stack pointer (the red zone) to
    // the end of its mapping, at most kStackLimit bytes.
    std::uint64_t sp = StackPointer(crash.ucontext);
    std::uint64_t stackStart = 0, stackSize = 0;
    for (int i = 0; i < mappingCount && sp; ++i) {
        const TBMapping& m = s.mappings[i];
        if (sp >= m.start && sp < m.end && m.readable) {
            stackStart = sp - kRedZone >= m.start ? (sp - kRedZone) & ~std::uint64_t(15) : m.start;
            if (stackStart < m.start) stackStart = m.start;
            stackSize = m.end - stackStart;
            if (stackSize > kStackLimit) stackSize = kStackLimit;
            break;
        }
    }

    // Plan the layout.
    std::uint64_t pos = 32 + kStreamCount * 12;
    const std::uint64_t sysInfoRva = pos = Align(pos, 8);
    pos += 56;
    const std::uint64_t csdRva = pos = Align(pos, 4);
    pos += StringSize(csd, csdLength);
    const std::uint64_t exceptionRva = pos = Align(pos, 8);
    pos += 168;
    const std::uint64_t threadListRva = pos = Align(pos, 8);
    pos += 4 + 48;
    const std::uint64_t contextRva = pos = Align(pos, 16);
    pos += kContextSize;
    const std::uint64_t moduleListRva = pos = Align(pos, 8);
    pos += 4 + 108ull * std::uint64_t(moduleCount);
    const std::uint64_t moduleExtrasRva = pos;
    for (int i = 0; i < moduleCount; ++i) {
        pos = Align(pos, 4) + StringSize(s.maps + s.modules[i].pathOffset, s.modules[i].pathLength);
        if (s.buildIdLength[i]) pos = Align(pos, 4) + 4 + s.buildIdLength[i];
    }
    const std::uint64_t memoryListRva = pos = Align(pos, 8);
    pos += 4 + 16;
    const std::uint64_t stackRva = pos = Align(pos, 16);
    pos += stackSize;
    const std::uint64_t miscRva = pos = Align(pos, 8);
    pos += 24;
    const std::uint64_t mapsRva = pos;
    pos += mapsLength;
    const std::uint64_t statusRva = pos;
    pos += statusLength;
    if (pos > 0xFFFFFFFFull) return false;

    Out out(fd, s.out, sizeof s.out);
    // Header.
    out.U32(kSignature);
    out.U32(kVersion);
    out.U32(kStreamCount);
    out.U32(32);
    out.U32(0);
    out.U32(std::uint32_t(time(nullptr)));
    out.U64(0);
    // Directory.
    out.U32(kSystemInfoStream);
    out.Location(56, std::uint32_t(sysInfoRva));
    out.U32(kExceptionStream);
    out.Location(168, std::uint32_t(exceptionRva));
    out.U32(kThreadListStream);
    out.Location(52, std::uint32_t(threadListRva));
    out.U32(kModuleListStream);
    out.Location(std::uint32_t(4 + 108 * moduleCount), std::uint32_t(moduleListRva));
    out.U32(kMemoryListStream);
    out.Location(20, std::uint32_t(memoryListRva));
    out.U32(kMiscInfoStream);
    out.Location(24, std::uint32_t(miscRva));
    out.U32(kLinuxMapsStream);
    out.Location(std::uint32_t(mapsLength), std::uint32_t(mapsRva));
    out.U32(kLinuxProcStatusStream);
    out.Location(std::uint32_t(statusLength), std::uint32_t(statusRva));

    // System info.
    out.PadTo(sysInfoRva);
    out.U16(kArchitecture);
    out.U16(ProcessorLevel());
    out.U16(0);  // revision
    out.U8(std::uint8_t(s.processorCount > 255 ? 255 : s.processorCount));
    out.U8(1);  // product type: workstation
    out.U32(release[0]);
    out.U32(release[1]);
    out.U32(release[2]);
    out.U32(kPlatformLinux);
    out.U32(std::uint32_t(csdRva));
    out.U16(0);
    out.U16(0);
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
    out.PadTo(csdRva);
    PutString(out, csd, csdLength);

    // Exception: the signal number, its code and the faulting address, as Linux
    // debuggers read minidumps.
    const long tid = syscall(SYS_gettid);
    out.PadTo(exceptionRva);
    out.U32(std::uint32_t(tid));
    out.U32(0);
    out.U32(std::uint32_t(crash.signal));
    out.U32(std::uint32_t(crash.signalCode));
    out.U64(0);
    out.U64(crash.signal == SIGSEGV || crash.signal == SIGBUS ? crash.faultAddress
                                                              : InstructionPointer(crash.ucontext));
    out.U32(0);
    out.U32(0);
    out.Zero(15 * 8);
    out.Location(kContextSize, std::uint32_t(contextRva));

    // Thread list: the crashing thread.
    out.PadTo(threadListRva);
    out.U32(1);
    out.U32(std::uint32_t(tid));
    out.U32(0);
    out.U32(0);
    out.U32(0);
    out.U64(0);  // TEB
    out.U64(stackStart);
    out.Location(std::uint32_t(stackSize), std::uint32_t(stackSize ? stackRva : 0));
    out.Location(kContextSize, std::uint32_t(contextRva));
    out.PadTo(contextRva);
    PutContext(out, crash.ucontext);

    // Module list, then the names and build id records it points at.
    out.PadTo(moduleListRva);
    out.U32(std::uint32_t(moduleCount));
    std::uint64_t extra = moduleExtrasRva;
    for (int i = 0; i < moduleCount; ++i) {
        const TBModuleRange& m = s.modules[i];
        std::uint64_t nameRva = Align(extra, 4);
        extra = nameRva + StringSize(s.maps + m.pathOffset, m.pathLength);
        std::uint64_t cvRva = 0;
        std::uint32_t cvSize = 0;
        if (s.buildIdLength[i]) {
            cvRva = Align(extra, 4);
            cvSize = 4 + s.buildIdLength[i];
            extra = cvRva + cvSize;
        }
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
    for (int i = 0; i < moduleCount; ++i) {
        out.PadTo(Align(out.Pos(), 4));
        PutString(out, s.maps + s.modules[i].pathOffset, s.modules[i].pathLength);
        if (s.buildIdLength[i]) {
            out.PadTo(Align(out.Pos(), 4));
            out.U32(kCvSignatureElf);
            out.Put(s.buildIds[i], s.buildIdLength[i]);
        }
    }

    // Memory list: the stack.
    out.PadTo(memoryListRva);
    out.U32(1);
    out.U64(stackStart);
    out.Location(std::uint32_t(stackSize), std::uint32_t(stackSize ? stackRva : 0));
    out.PadTo(stackRva);
    out.Memory(stackStart, stackSize);
    // Misc info: the process id.
    out.PadTo(miscRva);
    out.U32(24);
    out.U32(1);
    out.U32(std::uint32_t(getpid()));
    out.Zero(12);
    out.Put(s.maps, mapsLength);
    out.Put(s.status, statusLength);
    out.Flush();
    return out.Ok() && out.Pos() == pos;
}
