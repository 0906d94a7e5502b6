// The page around the lava module: canvas size, controls, chosen and
// dropped files, settings kept in the browser. Everything it fetches comes
// from the page's own origin; chosen files never leave the browser.
'use strict';

const kLongSideCap = 2560;   // canvas pixels on the long side, whatever the pixel ratio
const kIdleMs = 3000;        // the cursor and the bar hide after this long without movement
const kStorageKey = 'glowpond.settings';
const kKeys = ['lightHeight', 'objectDuration', 'totalSize', 'speed', 'spinSpeed', 'pulseSpeed'];
const kColourKeys = ['lavaRed', 'lavaGreen', 'lavaBlue'];
// What the loader takes from a compressed file: 32 times its size, at
// least 16 MB, never more than 256 MB.
const kFreelyUnpacked = 16 << 20, kPackingRatio = 32, kMaxUnpacked = 256 << 20;

const $ = (id) => document.getElementById(id);
const canvas = $('lava');
const fpsWanted = new URLSearchParams(location.search).has('fps');
let setNumber = 0;
let shownFolder = null;
let busy = Promise.resolve();

function showStatus(text) { $('status').textContent = text; }

function showMessage(text, caption) {
  const box = document.createElement('div');
  box.className = 'message';
  box.setAttribute('role', 'alert');
  const title = document.createElement('b');
  title.textContent = caption;
  box.append(title, text);
  box.addEventListener('click', () => box.remove());
  $('messages').append(box);
}

var Module = {
  pageError: showMessage,
  // The loader's progress texts; the status line is the page's own
  // between loads.
  pageStatus: (text) => { if (loading) showStatus(text); },
  onRuntimeInitialized: start,
};
let loading = false;

function canvasSize() {
  const ratio = window.devicePixelRatio || 1;
  let width = Math.max(1, Math.round(window.innerWidth * ratio));
  let height = Math.max(1, Math.round(window.innerHeight * ratio));
  const scale = Math.min(1, kLongSideCap / Math.max(width, height));
  return [Math.max(1, Math.floor(width * scale)), Math.max(1, Math.floor(height * scale))];
}

function fitCanvas() {
  const [width, height] = canvasSize();
  if (canvas.width === width && canvas.height === height) return;
  canvas.width = width;
  canvas.height = height;
  Module._glowpond_resize(width, height);
}

function shownNames() {
  return Module.UTF8ToString(Module._glowpond_shown()).split('\n').filter(Boolean);
}

function showShown() {
  const names = shownNames();
  showStatus(names.length ? 'Showing ' + names.map((n) => n.split('/').pop()).join(', ') : 'No models');
}

function call(name, ...args) {
  return Module.ccall(name, 'number', args.map((a) => typeof a === 'string' ? 'string' : 'number'), args);
}

// ---- settings: sliders and the colour picker, kept in local storage ----

function readStored() {
  try { return JSON.parse(localStorage.getItem(kStorageKey) || '{}') || {}; } catch (e) { return {}; }
}

function store(key, value) {
  const stored = readStored();
  stored[key] = value;
  try { localStorage.setItem(kStorageKey, JSON.stringify(stored)); } catch (e) { /* private mode */ }
}

const hex2 = (n) => n.toString(16).padStart(2, '0');

// The sample models' settings file: the page's values until the user sets
// their own.
async function fetchSampleOptions() {
  const text = await fetch('models/glowpond.ini').then((r) => r.ok ? r.text() : '');
  const options = {};
  let section = '';
  for (const line of text.split(/\r?\n/)) {
    const heading = /^\s*\[(.*)\]\s*$/.exec(line);
    if (heading) { section = heading[1].toLowerCase(); continue; }
    const entry = /^\s*(\w+)\s*=\s*(-?\d+)\s*$/.exec(line);
    if (section === 'options' && entry) options[entry[1]] = Number(entry[2]);
  }
  return options;
}
const sampleOptions = fetchSampleOptions().catch(() => ({}));

async function setUpSettings() {
  const stored = Object.assign({}, await sampleOptions, readStored());
  for (const slider of document.querySelectorAll('#settings input[type=range]')) {
    const key = slider.dataset.key;
    if (Number.isInteger(stored[key])) call('glowpond_set', key, stored[key]);
    slider.value = call('glowpond_get', key);
    slider.nextElementSibling.textContent = slider.value;
    slider.addEventListener('input', () => { slider.nextElementSibling.textContent = slider.value; });
    // A new size loads the models again: once the slider is let go, not at
    // every step of a drag.
    slider.addEventListener(key === 'totalSize' ? 'change' : 'input', () => {
      call('glowpond_set', key, Number(slider.value));
      store(key, Number(slider.value));
    });
  }
  const colour = $('colour');
  for (const key of kColourKeys) {
    if (Number.isInteger(stored[key])) call('glowpond_set', key, stored[key]);
  }
  colour.value = '#' + kColourKeys.map((key) => hex2(call('glowpond_get', key))).join('');
  colour.addEventListener('input', () => {
    kColourKeys.forEach((key, i) => {
      const value = parseInt(colour.value.substr(1 + 2 * i, 2), 16);
      call('glowpond_set', key, value);
      store(key, value);
    });
  });
  $('settings-button').addEventListener('click', () => { $('settings').hidden = !$('settings').hidden; });
}

// ---- files: chosen, dropped, unpacked, handed to the module ----

// A path inside the set's folder: no empty, "." or ".." steps, no line breaks.
function safePath(path) {
  return path.replace(/[\r\n]/g, '_').split('/').filter((s) => s && s !== '.' && s !== '..').join('/');
}

async function gunzip(bytes) {
  const limit = Math.min(Math.max(bytes.length * kPackingRatio, kFreelyUnpacked), kMaxUnpacked);
  const reader = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip')).getReader();
  const parts = [];
  let total = 0;
  for (;;) {
    const { done, value } = await reader.read();
    if (done) break;
    total += value.length;
    if (total > limit) { reader.cancel(); throw new Error('too large'); }
    parts.push(value);
  }
  const out = new Uint8Array(total);
  let at = 0;
  for (const part of parts) { out.set(part, at); at += part.length; }
  return out;
}

// The file's bytes, unpacked when gzip; bytes the browser cannot unpack go
// to the module as they are, which refuses them with its message.
async function fileBytes(file) {
  const bytes = new Uint8Array(await file.arrayBuffer());
  if (bytes.length < 2 || bytes[0] !== 0x1f || bytes[1] !== 0x8b || typeof DecompressionStream === 'undefined') {
    return bytes;
  }
  try { return await gunzip(bytes); } catch (e) { return bytes; }
}

function removeTree(path) {
  const FS = Module.FS;
  for (const name of FS.readdir(path)) {
    if (name === '.' || name === '..') continue;
    const child = path + '/' + name;
    if (FS.isDir(FS.stat(child).mode)) removeTree(child); else FS.unlink(child);
  }
  FS.rmdir(path);
}

function nextFrame() { return new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve, 0))); }

// Shows the models among `entries` ({path, file} or {path, bytes}): they
// form one folder, so companions resolve among them. When none loads, what
// was shown goes on.
async function showFiles(entries) {
  if (!entries.length) return;
  loading = true;
  $('messages').replaceChildren();
  showStatus('Loading…');
  await nextFrame();
  const FS = Module.FS;
  const folder = '/set' + (++setNumber);
  const names = [];
  try {
    FS.mkdir(folder);
    for (const entry of entries) {
      const path = safePath(entry.path);
      if (!path) continue;
      const bytes = entry.bytes || await fileBytes(entry.file);
      let dir = folder;
      for (const step of path.split('/').slice(0, -1)) {
        dir += '/' + step;
        if (!FS.analyzePath(dir).exists) FS.mkdir(dir);
      }
      FS.writeFile(folder + '/' + path, bytes);
      names.push(path);
    }
  } catch (e) {
    showMessage(String(e && e.message || e), 'Error');
  }
  FS.chdir(folder);
  performance.mark('glowpond-files-written');
  const loaded = names.length ? call('glowpond_show', names.join('\n') + '\n') : 0;
  if (loaded > 0) {
    if (shownFolder) removeTree(shownFolder);
    shownFolder = folder;
  } else {
    FS.chdir(shownFolder || '/');
    removeTree(folder);
  }
  loading = false;
  showShown();
}

function queue(work) { busy = busy.then(work, work); return busy; }

// Files and folders of a drop, each with its path inside the drop.
async function droppedEntries(items) {
  const out = [];
  const walk = async (entry, prefix) => {
    if (entry.isFile) {
      const file = await new Promise((resolve, reject) => entry.file(resolve, reject));
      out.push({ path: prefix + entry.name, file });
    } else if (entry.isDirectory) {
      const reader = entry.createReader();
      for (;;) {
        const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
        if (!batch.length) break;
        for (const child of batch) await walk(child, prefix + entry.name + '/');
      }
    }
  };
  const roots = [];
  for (const item of items) {
    const entry = item.webkitGetAsEntry && item.webkitGetAsEntry();
    if (entry) roots.push(entry);
  }
  for (const entry of roots) await walk(entry, '');
  return out;
}

function setUpFiles() {
  $('files').addEventListener('change', (event) => {
    const files = Array.from(event.target.files);
    event.target.value = '';
    queue(() => showFiles(files.map((file) => ({ path: file.webkitRelativePath || file.name, file }))));
  });
  let depth = 0;
  window.addEventListener('dragenter', (e) => { e.preventDefault(); depth++; document.body.classList.add('dragging'); });
  window.addEventListener('dragleave', () => { if (--depth <= 0) { depth = 0; document.body.classList.remove('dragging'); } });
  window.addEventListener('dragover', (e) => e.preventDefault());
  window.addEventListener('drop', (event) => {
    event.preventDefault();
    depth = 0;
    document.body.classList.remove('dragging');
    const transfer = event.dataTransfer;
    const items = transfer.items ? Array.from(transfer.items).filter((i) => i.kind === 'file') : [];
    const files = Array.from(transfer.files || []);
    queue(async () => {
      let entries = items.length && items[0].webkitGetAsEntry ? await droppedEntries(items) : [];
      if (!entries.length) entries = files.map((file) => ({ path: file.name, file }));
      await showFiles(entries);
    });
  });
}

// The sample models, fetched from the page's own folder while the module
// itself loads.
async function fetchSamples() {
  const list = await fetch('models/list.txt').then((r) => r.ok ? r.text() : '');
  const fetched = await Promise.all(list.split('\n').filter(Boolean).map(async (name) => {
    const response = await fetch('models/' + encodeURIComponent(name));
    return response.ok ? { path: name, bytes: new Uint8Array(await response.arrayBuffer()) } : null;
  }));
  return fetched.filter(Boolean);
}
const samples = fetchSamples().catch(() => []);

async function showSamples() { await showFiles(await samples); }

// ---- window: size, full screen, cursor, visibility, frame rate ----

function setUpWindow() {
  window.addEventListener('resize', fitCanvas);
  const fullscreen = $('fullscreen');
  fullscreen.hidden = !(document.fullscreenEnabled && document.documentElement.requestFullscreen);
  fullscreen.addEventListener('click', () => {
    if (document.fullscreenElement) document.exitFullscreen();
    else document.documentElement.requestFullscreen().catch(() => {});
  });
  let idle = 0;
  const wake = () => {
    document.body.classList.remove('idle');
    clearTimeout(idle);
    idle = setTimeout(() => document.body.classList.add('idle'), kIdleMs);
  };
  for (const kind of ['mousemove', 'mousedown', 'touchstart', 'keydown']) window.addEventListener(kind, wake);
  wake();
  document.addEventListener('visibilitychange', () => {
    if (document.visibilityState === 'visible') Module._glowpond_visible();
  });
  if (fpsWanted) {
    const fps = $('fps');
    fps.hidden = false;
    let frames = Module._glowpond_frames(), since = performance.now();
    setInterval(() => {
      const now = performance.now(), count = Module._glowpond_frames();
      fps.textContent = ((count - frames) * 1000 / (now - since)).toFixed(1) + ' frames/s';
      frames = count;
      since = now;
    }, 2000);
  }
}

function start() {
  performance.mark('glowpond-module-ready');
  const [width, height] = canvasSize();
  canvas.width = width;
  canvas.height = height;
  if (Module._glowpond_start(width, height) !== 0) {
    showStatus('No models');
    showMessage('This browser does not offer WebGL 2, which the lava needs.', 'Error');
    return;
  }
  setUpFiles();
  setUpWindow();
  queue(setUpSettings);
  queue(showSamples).then(() => { window.glowpondReady = true; });
  // When the first frame with models was drawn, for the tests' timings.
  const watch = () => {
    if (Module._glowpond_frames() > 0) window.glowpondFirstFrame = performance.now();
    else requestAnimationFrame(watch);
  };
  requestAnimationFrame(watch);
}
