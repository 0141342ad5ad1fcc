#include "lookup/HostNameResolver.h"

#include "net/NameLookup.h"
#include "net/Text.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace {

bool isControl(QChar c)
{
    const char16_t code = c.unicode();
    return code < 0x20 || (code >= 0x7F && code <= 0x9F);
}

// Linux threads carry their own nice value, inherited from their creator.
// Without CAP_SYS_NICE (or a raised RLIMIT_NICE) the kernel refuses the step
// and the thread stays at its creator's priority.
void raisePriorityOneStep()
{
    const auto thread = static_cast<id_t>(::gettid());
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, thread);
    if (errno == 0) ::setpriority(PRIO_PROCESS, thread, nice - 1);
}

} // namespace

QString listNameOf(const std::string& address)
{
    if (address == "127.0.0.1") return QStringLiteral("localhost");
    if (address.starts_with("127")) return QStringLiteral("n/a");
    QString name = QString::fromLocal8Bit(trimmed(hostNameOf(address)));
    for (QChar& c : name) {
        if (isControl(c)) c = u'?';
    }
    return name;
}

void resolveInBackground(const std::string& address, std::function<void(const QString& name)> deliver)
{
    std::thread([address, deliver = std::move(deliver)] {
        raisePriorityOneStep();
        try {
            const QString name = listNameOf(address);
            if (!name.isEmpty()) deliver(name);
        } catch (...) {
            // A failed look-up leaves the entry as it is; it never ends the process.
        }
    }).detach();
}
