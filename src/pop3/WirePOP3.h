// The POP3 client as the program uses it: log in, count, size, header,
// whole message, delete, quit.
#pragma once

#include <memory>
#include <string>

#include "pop3/WireMessage.h"

namespace vexil {

class TWirePOP3 : public TWireMessageClient {
public:
    TWirePOP3();  // over the platform's socket transport
    explicit TWirePOP3(std::unique_ptr<ITransport> transport);

    std::string UserID, Password;

    void Connect() override;
    void Disconnect() override;
    int CheckMessages();
    std::string GetMessageSize(int number);
    bool RetrieveHeader(int number, TWireMessage& msg);
    bool Retrieve(int number, TWireMessage& msg, int size);
    bool Delete(int number);
};

}  // namespace vexil
