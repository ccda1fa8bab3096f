// A Wayland compositor for tests of the idle protocols, with no outputs and
// no input devices: it offers wl_shm, one wl_seat, and ext_idle_notifier_v1
// and/or org_kde_kwin_idle, and keeps their promise: a notification armed
// with a timeout of T ms says "idle" once T ms pass without input, and
// "resumed" at the next input.
//
//   idle_compositor [--ext] [--kde]   (both when neither is given)
//
// It listens on a socket in $XDG_RUNTIME_DIR and prints "ready SOCKET".
// Input is a line "input" on standard input; end of input ends it. What the
// clients do is reported on standard output, one line each:
//   bound ext_idle_notifier_v1 | bound org_kde_kwin_idle
//   armed KIND MS | destroyed KIND MS | idled KIND MS | resumed KIND MS
// where KIND is ext or kde.

#include "ext-idle-notify-v1-server.h"
#include "idle-server.h"

#include <wayland-server.h>

#include <signal.h>
#include <stdarg.h>
#include <stdbool.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

struct notification
{
    struct wl_resource* resource;
    struct wl_event_source* timer;
    struct wl_list link;
    const char* kind;
    uint32_t timeout;
    bool idle;
};

static struct wl_list notifications;
static struct wl_display* display;

static void report(const char* format, ...) __attribute__((format(printf, 1, 2)));
static void report(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    vprintf(format, arguments);
    va_end(arguments);
    putchar('\n');
    fflush(stdout);
}

static void send_idle(struct notification* n, bool idle)
{
    n->idle = idle;
    if (strcmp(n->kind, "ext") == 0) {
        if (idle)
            ext_idle_notification_v1_send_idled(n->resource);
        else
            ext_idle_notification_v1_send_resumed(n->resource);
    } else {
        if (idle)
            org_kde_kwin_idle_timeout_send_idle(n->resource);
        else
            org_kde_kwin_idle_timeout_send_resumed(n->resource);
    }
    report("%s %s %u", idle ? "idled" : "resumed", n->kind, n->timeout);
}

static int timed_out(void* data)
{
    send_idle(data, true);
    return 0;
}

// Input: every idle notification resumes, and every one counts anew.
static void input(void)
{
    struct notification* n;
    wl_list_for_each(n, &notifications, link)
    {
        if (n->idle)
            send_idle(n, false);
        wl_event_source_timer_update(n->timer, (int)n->timeout);
    }
}

static void notification_gone(struct wl_resource* resource)
{
    struct notification* n = wl_resource_get_user_data(resource);
    report("destroyed %s %u", n->kind, n->timeout);
    wl_event_source_remove(n->timer);
    wl_list_remove(&n->link);
    free(n);
}

static void destroy_resource(struct wl_client* client, struct wl_resource* resource)
{
    (void)client;
    wl_resource_destroy(resource);
}

static void simulate_user_activity(struct wl_client* client, struct wl_resource* resource)
{
    (void)client;
    (void)resource;
    input();
}

static const struct ext_idle_notification_v1_interface ext_notification_impl = {destroy_resource};
static const struct org_kde_kwin_idle_timeout_interface kde_timeout_impl = {destroy_resource, simulate_user_activity};

static void arm(struct wl_client* client, struct wl_resource* parent, uint32_t id, uint32_t timeout, const char* kind)
{
    const bool ext = strcmp(kind, "ext") == 0;
    struct notification* n = calloc(1, sizeof *n);
    if (n)
        n->resource = wl_resource_create(
            client, ext ? &ext_idle_notification_v1_interface : &org_kde_kwin_idle_timeout_interface,
            wl_resource_get_version(parent), id);
    if (!n || !n->resource) {
        free(n);
        wl_client_post_no_memory(client);
        return;
    }
    n->kind = kind;
    n->timeout = timeout;
    n->timer = wl_event_loop_add_timer(wl_display_get_event_loop(display), timed_out, n);
    wl_list_insert(&notifications, &n->link);
    wl_resource_set_implementation(n->resource, ext ? (const void*)&ext_notification_impl : (const void*)&kde_timeout_impl,
                                   n, notification_gone);
    wl_event_source_timer_update(n->timer, (int)timeout);
    report("armed %s %u", kind, timeout);
}

static void ext_get_notification(struct wl_client* client, struct wl_resource* resource, uint32_t id, uint32_t timeout,
                                 struct wl_resource* seat)
{
    (void)seat;
    arm(client, resource, id, timeout, "ext");
}

static void kde_get_timeout(struct wl_client* client, struct wl_resource* resource, uint32_t id,
                            struct wl_resource* seat, uint32_t timeout)
{
    (void)seat;
    arm(client, resource, id, timeout, "kde");
}

static const struct ext_idle_notifier_v1_interface ext_notifier_impl = {destroy_resource, ext_get_notification};
static const struct org_kde_kwin_idle_interface kde_idle_impl = {kde_get_timeout};

static void bind_ext(struct wl_client* client, void* data, uint32_t version, uint32_t id)
{
    (void)data;
    struct wl_resource* resource = wl_resource_create(client, &ext_idle_notifier_v1_interface, (int)version, id);
    wl_resource_set_implementation(resource, &ext_notifier_impl, NULL, NULL);
    report("bound ext_idle_notifier_v1");
}

static void bind_kde(struct wl_client* client, void* data, uint32_t version, uint32_t id)
{
    (void)data;
    struct wl_resource* resource = wl_resource_create(client, &org_kde_kwin_idle_interface, (int)version, id);
    wl_resource_set_implementation(resource, &kde_idle_impl, NULL, NULL);
    report("bound org_kde_kwin_idle");
}

// The seat has neither pointer nor keyboard nor touch; asking for one is an error.
static void no_device(struct wl_client* client, struct wl_resource* resource, uint32_t id)
{
    (void)client;
    (void)id;
    wl_resource_post_error(resource, WL_SEAT_ERROR_MISSING_CAPABILITY, "this seat has no input devices");
}

static const struct wl_seat_interface seat_impl = {no_device, no_device, no_device, destroy_resource};

static void bind_seat(struct wl_client* client, void* data, uint32_t version, uint32_t id)
{
    (void)data;
    struct wl_resource* resource = wl_resource_create(client, &wl_seat_interface, (int)version, id);
    wl_resource_set_implementation(resource, &seat_impl, NULL, NULL);
    wl_seat_send_capabilities(resource, 0);
    if (version >= WL_SEAT_NAME_SINCE_VERSION)
        wl_seat_send_name(resource, "seat0");
}

static int control(int fd, uint32_t mask, void* data)
{
    (void)data;
    char line[256];
    ssize_t length = (mask & WL_EVENT_READABLE) ? read(fd, line, sizeof line - 1) : 0;
    if (length <= 0) {
        wl_display_terminate(display);
        return 0;
    }
    line[length] = '\0';
    for (char* word = strtok(line, "\n"); word; word = strtok(NULL, "\n")) {
        if (strcmp(word, "input") == 0)
            input();
        else
            fprintf(stderr, "idle_compositor: unknown command \"%s\"\n", word);
    }
    return 0;
}

static int stop(int signal, void* data)
{
    (void)signal;
    (void)data;
    wl_display_terminate(display);
    return 0;
}

int main(int argc, char** argv)
{
    bool ext = false;
    bool kde = false;
    for (int i = 1; i < argc; ++i) {
        ext |= strcmp(argv[i], "--ext") == 0;
        kde |= strcmp(argv[i], "--kde") == 0;
    }
    if (!ext && !kde)
        ext = kde = true;
    wl_list_init(&notifications);
    display = wl_display_create();
    const char* socket = display ? wl_display_add_socket_auto(display) : NULL;
    if (!socket) {
        fprintf(stderr, "idle_compositor: cannot listen (is XDG_RUNTIME_DIR set?)\n");
        return 1;
    }
    wl_display_init_shm(display);
    wl_global_create(display, &wl_seat_interface, 5, NULL, bind_seat);
    if (ext)
        wl_global_create(display, &ext_idle_notifier_v1_interface, 1, NULL, bind_ext);
    if (kde)
        wl_global_create(display, &org_kde_kwin_idle_interface, 1, NULL, bind_kde);
    struct wl_event_loop* loop = wl_display_get_event_loop(display);
    struct wl_event_source* sources[] = {
        wl_event_loop_add_fd(loop, STDIN_FILENO, WL_EVENT_READABLE, control, NULL),
        wl_event_loop_add_signal(loop, SIGTERM, stop, NULL),
        wl_event_loop_add_signal(loop, SIGINT, stop, NULL),
    };
    report("ready %s", socket);
    wl_display_run(display);
    wl_display_destroy_clients(display);
    // The loop frees only the sources removed from it.
    for (size_t i = 0; i < sizeof sources / sizeof sources[0]; ++i)
        wl_event_source_remove(sources[i]);
    wl_display_destroy(display);
    return 0;
}
