#include "tabs/windowarrangement.h"

namespace tovik {

WindowArrangement::~WindowArrangement() = default;

} // namespace tovik
