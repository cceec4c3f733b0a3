#include "framework/EventLoop.h"

#include <QCoreApplication>
#include <QTimer>

void CPostedCalls::Post(std::function<void()> call) {
    QTimer::singleShot(0, QCoreApplication::instance(),
                       [alive = std::weak_ptr<char>(m_alive), call = std::move(call)] {
                           if (alive.lock()) call();
                       });
}
