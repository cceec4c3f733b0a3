#include "framework/HostLookup.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>

#include <atomic>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "framework/SocketApi.h"

struct CHostLookup::Pending {
    CHostLookup* owner;
    Handler handler;
};

namespace {

std::mutex g_functionMutex;
HostLookupFunction g_function;  // empty: the system's resolver
std::atomic<int> g_inFlight{0};

HostLookupResult SystemLookup(const std::string& name) {
    HostLookupResult result;
    result.error = LookupHostAddress(name, result.address);
    return result;
}

HostLookupFunction CurrentFunction() {
    std::lock_guard lock(g_functionMutex);
    return g_function ? g_function : HostLookupFunction(SystemLookup);
}

// Where lookup threads hand their answers to the user-interface thread. A
// lookup thread can outlive every window and the application object itself
// (the name service may keep it waiting past the program's end), so this is
// never destroyed; its receiver goes with the application object, and
// answers that come after that are dropped.
class AnswerPost {
public:
    static AnswerPost& Instance() {
        static AnswerPost* const post = new AnswerPost;
        return *post;
    }

    // On the user-interface thread, before a lookup thread starts.
    void Prepare() {
        std::lock_guard lock(m_mutex);
        if (m_receiver == nullptr && QCoreApplication::instance() != nullptr) {
            m_receiver = new QObject;  // lives on the calling thread
            qAddPostRoutine(&AnswerPost::ApplicationGone);
        }
    }

    // From any thread: `call` runs on the user-interface thread, from its
    // event loop.
    void Post(std::function<void()> call) {
        std::lock_guard lock(m_mutex);
        if (m_receiver != nullptr) {
            QMetaObject::invokeMethod(m_receiver, std::move(call), Qt::QueuedConnection);
        }
    }

private:
    static void ApplicationGone() {
        AnswerPost& post = Instance();
        std::lock_guard lock(post.m_mutex);
        delete post.m_receiver;  // with the answers still queued for it
        post.m_receiver = nullptr;
    }

    std::mutex m_mutex;
    QObject* m_receiver = nullptr;
};

}  // namespace

void SetHostLookupFunction(HostLookupFunction lookup) {
    std::lock_guard lock(g_functionMutex);
    g_function = std::move(lookup);
}

int HostLookupsInFlight() {
    return g_inFlight.load();
}

CHostLookup::~CHostLookup() {
    Cancel();
}

void CHostLookup::Start(const std::string& name, Handler handler) {
    m_pending = std::make_shared<Pending>(Pending{this, std::move(handler)});
    // The answer finds its lookup through this alone: Cancel, a new Start
    // or the end of this object lets it expire.
    const std::weak_ptr<Pending> lookup = m_pending;
    const auto deliver = [lookup](HostLookupResult result) {
        AnswerPost::Instance().Post([lookup, result] {
            --g_inFlight;
            const std::shared_ptr<Pending> pending = lookup.lock();
            if (!pending) {
                return;
            }
            pending->owner->m_pending.reset();
            pending->handler(result.error, result.address);
        });
    };
    AnswerPost::Instance().Prepare();
    ++g_inFlight;
    try {
        std::thread([resolve = CurrentFunction(), name, deliver] {
            deliver(resolve(name));
        }).detach();
    } catch (const std::system_error& error) {
        // No thread to be had: the lookup fails as a resolver out of
        // resources would, still from the event loop.
        deliver(HostLookupResult{error.code().value(), 0});
    }
}

void CHostLookup::Cancel() {
    m_pending.reset();
}
