#include "core/resize/Failure.h"

#include "core/resize/ThreadErrors.h"

QString Failure::text() const {
    switch (kind) {
    case Kind::None:
    case Kind::Stopped:
        return {};
    case Kind::Undecodable:
        return ThreadErrors::undecodable(reason);
    case Kind::Unreadable:
    case Kind::Unwritable:
        break;
    }
    return reason;
}
