#include "platform/message_box.h"

#include <SDL2/SDL.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

extern char** environ;

namespace qo {
namespace {

constexpr char kErrorWord[] = "erro";
constexpr char kInformationWord[] = "info";

bool env_set(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

void write_to_stderr(std::string_view caption, std::string_view text) {
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                 static_cast<int>(text.size()), text.data());
    std::fflush(stderr);
}

Uint32 sdl_box_flags(MessageBoxKind kind) {
    return kind == MessageBoxKind::Error ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
}

std::optional<std::uint64_t> parse_window_id(const std::string& text) {
    std::uint64_t id = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return id;
}

// The window with that X id as SDL sees it from this process, so that the box can name it as its parent; nothing
// without one. The launcher's window is only looked at: SDL neither changes nor destroys a window it did not make.
SDL_Window* foreign_parent(std::uint64_t window_id) {
    if (window_id == 0) return nullptr;
    // A termination signal must end this process (and the box SDL forks) at once, not become a quit event.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
    return SDL_CreateWindowFrom(reinterpret_cast<const void*>(static_cast<std::uintptr_t>(window_id)));
}

}  // namespace

bool message_box_display_available() {
    if (const char* driver = std::getenv("SDL_VIDEODRIVER")) {
        const std::string_view name(driver);
        if (name == "offscreen" || name == "dummy") return false;
    }
    return env_set("DISPLAY") || env_set("WAYLAND_DISPLAY");
}

void show_message_box(std::string_view caption, std::string_view text, MessageBoxKind kind) {
    if (message_box_display_available()) {
        const std::string title(caption);
        const std::string message(text);
        if (SDL_ShowSimpleMessageBox(sdl_box_flags(kind), title.c_str(), message.c_str(), nullptr) == 0) return;
    }
    write_to_stderr(caption, text);
}

int message_box_mode(const std::vector<std::string>& arguments) {
    if (arguments.size() < 5) return 2;
    const auto parent_id = parse_window_id(arguments[1]);
    if (!parent_id || (arguments[2] != kErrorWord && arguments[2] != kInformationWord)) return 2;
    const MessageBoxKind kind = arguments[2] == kErrorWord ? MessageBoxKind::Error : MessageBoxKind::Information;
    const std::string& caption = arguments[3];
    const std::string& text = arguments[4];
    SDL_Window* parent = foreign_parent(*parent_id);
    if (SDL_ShowSimpleMessageBox(sdl_box_flags(kind), caption.c_str(), text.c_str(), parent) != 0) {
        write_to_stderr(caption, text);
    }
    // The process ends now; its display connection goes with it (SDL is not shut down, which would try to
    // hide the foreign window).
    return 0;
}

std::optional<MessageBoxProcess> MessageBoxProcess::start(std::string_view caption, std::string_view text,
                                                          MessageBoxKind kind, std::uint64_t parent_window) {
    std::vector<std::string> arguments{"QoTarmish",
                                       std::string(MESSAGE_BOX_MODE_WORD),
                                       std::to_string(parent_window),
                                       kind == MessageBoxKind::Error ? kErrorWord : kInformationWord,
                                       std::string(caption),
                                       std::string(text)};
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawnattr_t attributes;
    if (posix_spawnattr_init(&attributes) != 0) return std::nullopt;
    // A group of its own: ending the box ends the process SDL forks for it too.
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    // Only standard input, output and error go to the box (no lock or socket of the launcher's).
    posix_spawn_file_actions_t files;
    if (posix_spawn_file_actions_init(&files) != 0) {
        posix_spawnattr_destroy(&attributes);
        return std::nullopt;
    }
    posix_spawn_file_actions_addclosefrom_np(&files, 3);
    pid_t pid = -1;
    // The running executable itself, even when an update has since put another file at its path.
    const int failed = posix_spawn(&pid, "/proc/self/exe", &files, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attributes);
    if (failed != 0) return std::nullopt;
    return MessageBoxProcess(pid);
}

MessageBoxProcess::MessageBoxProcess(MessageBoxProcess&& other) noexcept : pid_(std::exchange(other.pid_, -1)) {}

MessageBoxProcess& MessageBoxProcess::operator=(MessageBoxProcess&& other) noexcept {
    if (this != &other) {
        end();
        pid_ = std::exchange(other.pid_, -1);
    }
    return *this;
}

MessageBoxProcess::~MessageBoxProcess() { end(); }

bool MessageBoxProcess::up() {
    if (pid_ <= 0) return false;
    int status = 0;
    pid_t reaped = 0;
    do {
        reaped = ::waitpid(pid_, &status, WNOHANG);
    } while (reaped == -1 && errno == EINTR);
    if (reaped == 0) return true;
    pid_ = -1;  // ended (or reaped elsewhere)
    return false;
}

void MessageBoxProcess::end() {
    if (pid_ <= 0) return;
    // The box holds nothing to save: its group goes at once.
    ::kill(-pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) == -1 && errno == EINTR) {
    }
    pid_ = -1;
}

}  // namespace qo
