// The project tree: folders first, then files, each sorted by name.
import { clear, element, icon } from "./lib/dom.js";
import { emit } from "./lib/events.js";

function byKindThenName(a, b) {
  const aFolder = Boolean(a.children);
  const bFolder = Boolean(b.children);
  if (aFolder !== bFolder) return aFolder ? -1 : 1;
  return a.name.localeCompare(b.name);
}

export function createProjectTree(root, texts) {
  function addEntries(entries, depth) {
    for (const entry of [...entries].sort(byKindThenName)) {
      const row = element("div", "entry");
      row.style.paddingLeft = `${12 + depth * 14}px`;
      row.append(icon(entry.children ? "folder" : "file"), element("span", "", entry.name));
      row.addEventListener("click", () => {
        root.querySelector(".selected")?.classList.remove("selected");
        row.classList.add("selected");
        if (!entry.children) emit("file-selected", entry);
      });
      root.appendChild(row);
      if (entry.children) addEntries(entry.children, depth + 1);
    }
  }

  return {
    show(project) {
      clear(root);
      root.setAttribute("aria-label", `${texts.project}: ${project.name}`);
      addEntries(project.children, 0);
    },
  };
}
