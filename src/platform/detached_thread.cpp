#include "platform/detached_thread.h"

#include <pthread.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace qo {
namespace {

[[noreturn]] void fail_to_spawn() {
    std::fputs("failed to spawn thread\n", stderr);
    std::abort();
}

void* run_body(void* raw) {
    std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(raw));
    (*body)();
    return nullptr;
}

}  // namespace

void spawn_detached_thread(std::function<void()> body, std::size_t stack_bytes) {
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) fail_to_spawn();
    const bool configured = pthread_attr_setstacksize(&attributes, stack_bytes) == 0 &&
                            pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED) == 0;
    auto owned = std::make_unique<std::function<void()>>(std::move(body));
    pthread_t thread;
    const bool started = configured && pthread_create(&thread, &attributes, run_body, owned.get()) == 0;
    pthread_attr_destroy(&attributes);
    if (!started) fail_to_spawn();
    owned.release();  // the thread owns it now
}

}  // namespace qo
