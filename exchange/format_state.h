// The private state a format keeps per engine between the steps of a read: any
// copyable type of the format's own source, one object of each type per engine, made
// on first use, copied with the engine and forgotten by ResetAllVars.
#pragma once

#include <toolbox/exchange/engine.h>

#include <any>
#include <map>
#include <typeindex>

struct CExchangeFormatStates::Store {
    std::map<std::type_index, std::any> states;
};

namespace tb_exchange {

/// The engine's State, value-initialised on first use.
template <class State>
State& FormatState(CReadAndWriteFileFunction& engine) {
    std::any& slot = engine.FormatStates.GetStore().states[std::type_index(typeid(State))];
    if (!slot.has_value()) slot = State{};
    return *std::any_cast<State>(&slot);
}

}  // namespace tb_exchange
