// What arrives on the single-instance socket, from any process of the user.
#include "FuzzText.h"
#include "core/app/InstanceMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QByteArray bytes = fuzzBytes(data, size);
    const InstanceMessage::Decoded message = InstanceMessage::decode(bytes);
    if (message.status == InstanceMessage::Decoded::Status::Complete) {
        // A message that reads whole is one a launch could have sent: it encodes to itself.
        const QByteArray frame = InstanceMessage::encode(message.paths);
        FUZZ_ASSERT(bytes.startsWith(frame));
    }
    return 0;
}
