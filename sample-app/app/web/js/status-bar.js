// The status bar: cursor position and the state of the last run.
import { element } from "./lib/dom.js";
import { on } from "./lib/events.js";

export function createStatusBar(root, texts) {
  const position = element("span", "position");
  const run = element("span", "run", texts.ready);
  root.append(position, run);

  on("run-requested", () => { run.textContent = texts.running; });

  return {
    showPosition({ line, column }) {
      position.textContent = texts.position.replace("{line}", line).replace("{column}", column);
    },
  };
}
