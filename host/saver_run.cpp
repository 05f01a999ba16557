#include "host/saver_run.h"

namespace host {

bool input_closes(Input input, RunKind kind) {
    switch (kind) {
        case RunKind::full_screen:
            return input == Input::key || input == Input::quit_key || input == Input::left_button ||
                   input == Input::right_button;
        case RunKind::own_window:
            return input == Input::quit_key;
        case RunKind::preview:
        case RunKind::embedded:
            return false;
    }
    return false;
}

}  // namespace host
