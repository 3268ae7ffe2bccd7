#pragma once
// Scripted input for unattended runs (the player's --input FILE): mouse and key events
// given by tick, delivered before that tick's frame as if the window had reported them.
//
//   # comment
//   <tick> move X Y            <tick> down left|right     <tick> up left|right
//   <tick> click left|right X Y   (move and press at tick, release at tick + 1)
//   <tick> wheel up|down       <tick> key K   (press at tick, release at tick + 1)
//   <tick> keydown K           <tick> keyup K              <tick> close
//   <tick> fastforward on|off  (held from this tick until it is let go)
//   <tick> text "TEXT"         (text committed as typing or an input method gives it)
//   <tick> compose "TEXT" [C]  (an input method's composition, its cursor at character C,
//                               the end when left out; "" ends the composition)
//
// TEXT is UTF-8 in double quotes; \" \\ and \n stand for a quote, a backslash, a line feed.
//
// K is a decimal virtual-key code or a name: enter, space, escape, tab, backspace, shift,
// control, left, up, right, down, f1..f12, or a single letter or digit.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/window_input.h"

namespace vesk {

struct TInputEvent {
    enum Kind { Move, Button, Wheel, Key, Close, FastForward, Text, Compose } kind = Move;
    int32_t x = 0, y = 0;   // Move: the position; Compose: x is the cursor
    bool left = true;       // Button: which one
    bool down = true;       // Button, Key, FastForward: held or let go; Wheel: down or up
    int32_t vk = 0;         // Key
    std::string text = {};  // Text, Compose (UTF-8)
};

class TInputScript {
  public:
    // Parses a script's text; throws VeskError naming the line of the first fault.
    static TInputScript Parse(const std::string& text);
    // Reads and parses a file; throws VeskError when it cannot be read.
    static TInputScript Load(const std::string& path);

    // Gives the events of `tick` to `sink`, in the order they were written.
    void Deliver(int64_t tick, IWindowInput& sink) const;
    bool Empty() const { return events_.empty(); }
    // The last tick that has events (0 when none).
    int64_t LastTick() const { return events_.empty() ? 0 : events_.rbegin()->first; }

  private:
    std::map<int64_t, std::vector<TInputEvent>> events_;
};

// The virtual-key code a script names, or -1.
int32_t VirtualKeyByName(const std::string& name);

}  // namespace vesk
