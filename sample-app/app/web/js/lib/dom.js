// Small helpers for building the workbench's elements.
export function element(tag, className, text) {
  const node = document.createElement(tag);
  if (className) node.className = className;
  if (text !== undefined) node.textContent = text;
  return node;
}

export function clear(node) {
  while (node.firstChild) node.removeChild(node.firstChild);
}

export function icon(name) {
  const image = element("img");
  image.src = `web/assets/icons/${name}.svg`;
  image.alt = "";
  image.width = 16;
  image.height = 16;
  return image;
}
