#include "platform/error_text.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace qo {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

TEST(OsErrorText, EveryErrorAPlayerCanMeetReadsInPortuguese) {
    struct Case {
        int code;
        const char* text;
    };
    for (auto [code, text] : {
             Case{ENOSPC, "não há espaço livre no disco"},
             Case{EDQUOT, "a cota de disco do usuário se esgotou"},
             Case{EACCES, "acesso negado"},
             Case{EPERM, "operação não permitida"},
             Case{EROFS, "o disco ou a pasta é somente leitura"},
             Case{ENOENT, "arquivo ou pasta não encontrado"},
             Case{ENAMETOOLONG, "nome de arquivo ou caminho longo demais"},
             Case{EIO, "erro de leitura ou gravação no disco"},
             Case{ETIMEDOUT, "o tempo de espera se esgotou"},
             Case{ECONNREFUSED, "a conexão foi recusada"},
             Case{ECONNRESET, "a conexão foi interrompida pelo outro lado"},
             Case{ECHRNG, "erro do sistema 44 (ECHRNG)"},
             Case{99999, "erro do sistema 99999"},
         }) {
        EXPECT_EQ(os_error_text(code), text) << code;
    }
    EXPECT_EQ(os_error_text(std::make_error_code(std::errc::no_space_on_device)), "não há espaço livre no disco");
    EXPECT_EQ(os_error_text(std::error_code(ENOENT, std::system_category())), "arquivo ou pasta não encontrado");
    errno = EROFS;
    EXPECT_EQ(last_os_error_text(), "o disco ou a pasta é somente leitura");
}

TEST(OsErrorText, RealFileFaultsComeBackInPortuguese) {
    TempDir dir;
    test::write_file(dir / "file", "x");
    EXPECT_EQ(read_whole_file(dir / "missing", 16).error(), "arquivo ou pasta não encontrado");
    EXPECT_EQ(read_whole_file(dir / "file/inside", 16).error(), "uma parte do caminho não é uma pasta");
    EXPECT_EQ(write_whole_file(dir / std::string(300, 'n'), "x").error(), "nome de arquivo ou caminho longo demais");
    EXPECT_EQ(write_whole_file("/dev/full", "x").error(), "não há espaço livre no disco");  // a device that is always full
}

// The faults that need a small disk, a read-only disk or an unprivileged user run in a child copy of this test
// inside a private mount namespace, so the machine's own mounts are never touched.
constexpr const char* INSIDE_ENV = "QO_TEST_FAULT_FOLDER";

int run_quietly(const std::string& command) {
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(OsErrorText, FullReadOnlyAndForbiddenFoldersComeBackInPortuguese) {
    if (const char* inside = std::getenv(INSIDE_ENV)) {
        const fs::path folder = inside;
        EXPECT_EQ(write_whole_file(folder / "full/big.bin", std::string(256 * 1024, 'x')).error(),
                  "não há espaço livre no disco");
        EXPECT_EQ(write_whole_file(folder / "read-only/new.txt", "x").error(), "o disco ou a pasta é somente leitura");
        EXPECT_EQ(write_whole_file(folder / "locked/new.txt", "x").error(), "acesso negado");
        return;
    }
    if (run_quietly("unshare --mount --propagation private true") != 0 || run_quietly("setpriv --version") != 0) {
        GTEST_SKIP() << "no private mount namespace here";
    }
    TempDir dir;
    for (const char* sub : {"full", "read-only", "locked"}) fs::create_directory(dir / sub);
    fs::permissions(dir.path(), fs::perms::all);
    fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                        fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const std::string d = dir.path().string();
    // Mounted as root, then the test runs as nobody: root would pass by the locked folder's permissions.
    const std::string command =
        "unshare --mount --propagation private sh -c '"
        "mount -t tmpfs -o size=64k,mode=0777 qo-full " + d + "/full && "
        "mount -t tmpfs -o ro,size=64k,mode=0777 qo-read-only " + d + "/read-only && " +
        std::string(INSIDE_ENV) + "=" + d + " exec setpriv --reuid=65534 --regid=65534 --clear-groups " + self +
        " --gtest_filter=OsErrorText.FullReadOnlyAndForbiddenFoldersComeBackInPortuguese'";
    const std::string output = (dir / "output.txt").string();
    const int status = std::system((command + " >" + output + " 2>&1").c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << test::read_file(output);
}

}  // namespace
}  // namespace qo
