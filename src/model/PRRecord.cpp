#include "model/PRRecord.h"

#include <sstream>

std::string PRRecord::description() const {
    std::ostringstream out;
    out << '<' << className() << ':';
    bool first = true;
    for (const PRField& field : fields()) {
        out << (first ? " " : ", ") << field.name << '=';
        first = false;
        std::visit(
            [&out](const auto& v) {
                using V = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<V, std::nullptr_t>)
                    out << "nil";
                else if constexpr (std::is_same_v<V, bool>)
                    out << (v ? "YES" : "NO");
                else
                    out << v;
            },
            field.value);
    }
    out << '>';
    return out.str();
}
