// The editor: one tab per open file over a single text buffer.
import { element } from "./lib/dom.js";
import { emit } from "./lib/events.js";

export function createEditor(root, settings) {
  const tabs = root.querySelector("#tabs");
  const buffer = root.querySelector("#buffer");
  const open = new Map();  // path -> { tab, text }
  let current = null;

  root.style.setProperty("--editor-font-size", `${settings["editor.fontSize"] ?? 14}px`);
  root.style.setProperty("--editor-tab-size", settings["editor.tabSize"] ?? 4);

  function activate(path) {
    if (current) open.get(current).text = buffer.value;
    for (const [other, entry] of open) entry.tab.classList.toggle("active", other === path);
    current = path;
    buffer.value = open.get(path).text;
    buffer.focus();
  }

  buffer.addEventListener("keyup", () => {
    const before = buffer.value.slice(0, buffer.selectionStart).split("\n");
    emit("cursor-moved", { line: before.length, column: before.at(-1).length + 1 });
  });

  return {
    open(file) {
      if (!open.has(file.path)) {
        const tab = element("div", "tab", file.name);
        tab.addEventListener("click", () => activate(file.path));
        tabs.appendChild(tab);
        open.set(file.path, { tab, text: file.text ?? "" });
      }
      activate(file.path);
    },
  };
}
