// A tiny publish/subscribe hub shared by the workbench parts.
const listeners = new Map();

export function on(name, listener) {
  if (!listeners.has(name)) listeners.set(name, new Set());
  listeners.get(name).add(listener);
  return () => listeners.get(name).delete(listener);
}

export function emit(name, detail) {
  for (const listener of listeners.get(name) ?? []) listener(detail);
}
