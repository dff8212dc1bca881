#include "platform/ClientEvents.h"

namespace gavelry {

void ClientEvents::forward(const ClientEvents *from, ClientEvents *to)
{
    connect(from, &ClientEvents::connected, to, &ClientEvents::connected);
    connect(from, &ClientEvents::RX, to, &ClientEvents::RX);
    connect(from, &ClientEvents::DTMFString, to, &ClientEvents::DTMFString);
    connect(from, &ClientEvents::StationTextReceived, to, &ClientEvents::StationTextReceived);
    connect(from, &ClientEvents::ChatTextReceived, to, &ClientEvents::ChatTextReceived);
    connect(from, &ClientEvents::Closing, to, &ClientEvents::Closing);
    connect(from, &ClientEvents::onTheAir, to, &ClientEvents::onTheAir);
}

} // namespace gavelry
