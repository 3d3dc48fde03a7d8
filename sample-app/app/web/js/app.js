// Entry point of the workbench: loads the interface texts and the settings,
// then wires the project tree, the editor and the status bar together.
import { emit, on } from "./lib/events.js";
import { createEditor } from "./editor.js";
import { createProjectTree } from "./project-tree.js";
import { createStatusBar } from "./status-bar.js";

const kDefaultLanguage = "en";

async function loadTexts(language) {
  const response = await fetch(`web/i18n/${language}.json`);
  if (!response.ok && language !== kDefaultLanguage) return loadTexts(kDefaultLanguage);
  return response.json();
}

function applyTheme(theme) {
  document.getElementById("theme").href = `web/css/themes/${theme}.css`;
}

async function start() {
  const language = navigator.language.slice(0, 2);
  const texts = await loadTexts(language);
  const settings = window.studioHost?.settings ?? { theme: "dark" };
  applyTheme(settings.theme);

  const editor = createEditor(document.getElementById("editor"), settings);
  const tree = createProjectTree(document.getElementById("project-tree"), texts);
  const status = createStatusBar(document.getElementById("status-bar"), texts);

  on("file-selected", (file) => editor.open(file));
  on("cursor-moved", (position) => status.showPosition(position));
  document.getElementById("run").addEventListener("click", () => emit("run-requested"));

  tree.show(window.studioHost?.project ?? { name: texts.noProject, children: [] });
}

start();
