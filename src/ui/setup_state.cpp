#include "ui/setup_state.h"

SetupState& setupState() {
    static SetupState state;
    return state;
}
