#pragma once

#include <sys/inotify.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/Descriptor.h"

// What other processes see happen in one directory, in order: "create NAME", "close NAME" (a
// file written and closed) and "delete NAME", from inotify.
class CDirectoryWatch {
  public:
    explicit CDirectoryWatch(const std::string& aDirectory)
        : iDescriptor(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        if (iDescriptor.IsOpen()) {
            (void)::inotify_add_watch(iDescriptor.Get(), aDirectory.c_str(),
                                      IN_CREATE | IN_CLOSE_WRITE | IN_DELETE | IN_MOVED_TO);
        }
    }

    // The operations since the last call.
    std::vector<std::string> Events() {
        std::vector<std::string> events;
        alignas(inotify_event) char buffer[4096];
        ssize_t length;
        while ((length = ::read(iDescriptor.Get(), buffer, sizeof buffer)) > 0) {
            for (ssize_t offset = 0; offset < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
                const std::string name = event->len > 0 ? event->name : "";
                if (event->mask & IN_CREATE) {
                    events.push_back("create " + name);
                }
                if (event->mask & IN_MOVED_TO) {
                    events.push_back("move to " + name);
                }
                if (event->mask & IN_CLOSE_WRITE) {
                    events.push_back("close " + name);
                }
                if (event->mask & IN_DELETE) {
                    events.push_back("delete " + name);
                }
                offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return events;
    }

  private:
    CDescriptor iDescriptor;
};
