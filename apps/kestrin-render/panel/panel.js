// The Slate panel: built from the tool's user-interface description and the node's inputs, every
// edit sent to kestrin-render (which runs it through its command stack), the preview rendered by
// the same engine at the level picked.
'use strict';

const panel = {
  info: null,        // GET /api/panel: description, inputs, range, command
  inputs: new Map(), // input name -> its description
  fields: new Map(), // input name -> {row, set(value), message}
  state: null,
  previews: 0,       // previews shown so far
  editStarted: null, // when the edit being previewed was sent
  lastEditMs: null,
};
window.slatePanel = panel;

const $ = (id) => document.getElementById(id);

function el(tag, attrs = {}, ...children) {
  const node = document.createElement(tag);
  for (const [k, v] of Object.entries(attrs)) {
    if (k === 'dataset') Object.assign(node.dataset, v);
    else if (k in node) node[k] = v;
    else node.setAttribute(k, v);
  }
  node.append(...children);
  return node;
}

function showStatus(text, isError) {
  const status = $('status');
  status.textContent = text;
  status.className = isError ? 'error' : '';
}

async function api(method, path, body) {
  const response = await fetch(path, {
    method,
    headers: body === undefined ? {} : { 'Content-Type': 'application/json' },
    body: body === undefined ? undefined : JSON.stringify(body),
  });
  const data = await response.json();
  if (!response.ok) throw new Error(data.error || response.statusText);
  return data;
}

// Colours travel as [r, g, b] in 0-1; the colour picker speaks #rrggbb.
const toHex = (rgb) => '#' + rgb.map((v) => Math.round(Math.min(1, Math.max(0, v)) * 255)
  .toString(16).padStart(2, '0')).join('');
const fromHex = (hex) => [1, 3, 5].map((i) => +(parseInt(hex.substr(i, 2), 16) / 255).toFixed(4));

/// Sends one edit; the answer is the node's state after it (or an error shown by the field).
async function edit(name, value) {
  panel.editStarted = performance.now();
  try {
    applyState(await api('POST', '/api/set', { input: name, value }));
    showStatus('');
    refreshPreview();
  } catch (e) {
    applyState(panel.state);
    const field = panel.fields.get(name);
    if (field) { field.message.textContent = e.message; field.message.className = 'message error'; }
    showStatus(e.message, true);
  }
}

async function command(path, body) {
  panel.editStarted = performance.now();
  try {
    applyState(await api('POST', path, body === undefined ? {} : body));
    showStatus('');
    refreshPreview();
  } catch (e) {
    showStatus(e.message, true);
  }
}

function describeValue(value) {
  return value && typeof value === 'object' && !Array.isArray(value) ? 'animated' : value;
}

// One control per field kind of the description.
function makeControl(kind, name, input) {
  const send = (value) => edit(name, value);
  const animated = (v) => v && typeof v === 'object' && !Array.isArray(v);
  switch (kind) {
    case 'multiLineText': {
      const area = el('textarea', { name, spellcheck: false });
      let timer = null;
      area.addEventListener('input', () => {
        clearTimeout(timer);
        timer = setTimeout(() => { timer = null; send(area.value); }, 120);
      });
      // Undo first sends what is still being typed, so that it undoes that.
      panel.flushText = () => { if (timer) { clearTimeout(timer); timer = null; return send(area.value); } return null; };
      return { node: area, set: (v) => { if (document.activeElement !== area || timer === null) area.value = v; } };
    }
    case 'fontFamily':
    case 'choice': {
      const select = el('select', { name });
      select.addEventListener('change', () => send(select.value));
      const options = (list, v) => {
        const labels = list.includes(v) ? list : [...list, v];
        if (select.dataset.options !== JSON.stringify(labels)) {
          select.replaceChildren(...labels.map((l) => el('option', { value: l }, l)));
          select.dataset.options = JSON.stringify(labels);
        }
        select.value = v;
      };
      const set = kind === 'fontFamily' ? (v) => options(panel.state.families, v)
        : name === 'Text Style' ? (v) => options(panel.state.styles, v)
        : (v) => options(input.choices || [], v);
      return { node: select, set };
    }
    case 'color': {
      const picker = el('input', { type: 'color', name });
      picker.addEventListener('change', () => send(fromHex(picker.value).join(',')));
      return { node: picker, set: (v) => { picker.disabled = animated(v) || v === null; if (Array.isArray(v)) picker.value = toHex(v); } };
    }
    case 'checkbox': {
      const box = el('input', { type: 'checkbox', name });
      box.addEventListener('change', () => send(box.checked ? 'on' : 'off'));
      return { node: box, set: (v) => { box.disabled = animated(v); box.checked = v === true; } };
    }
    case 'slider': {
      const range = el('input', { type: 'range', name, step: 'any' });
      const number = el('input', { type: 'number', name: name + ' value', step: 'any' });
      // The slider spans the bounds (at most 0-1000); the number beside it takes any value.
      range.min = input.min !== undefined ? input.min : 0;
      range.max = input.max !== undefined ? Math.min(input.max, 1000) : Math.max(100, Math.abs(input.default || 0) * 4);
      range.step = (range.max - range.min) / 1000;
      range.addEventListener('input', () => { number.value = range.value; });
      range.addEventListener('change', () => send(+range.value));
      number.addEventListener('change', () => send(number.value));
      const wrap = el('span', { className: 'control' }, range, number);
      return { node: wrap, set: (v) => { const a = animated(v); range.disabled = number.disabled = a; if (!a) { range.value = v; number.value = v; } } };
    }
    default: { // integer, time and anything else: a number, sent as typed
      // The tool model's "no bound" (an Out Time that never ends) shows as an empty field.
      const unbounded = (v) => typeof v === 'number' && Math.abs(v) >= 1e38;
      const number = el('input', { type: 'text', name, inputMode: 'decimal', size: 10 });
      if (unbounded(input.default)) number.placeholder = 'unbounded';
      number.addEventListener('change', () => send(number.value.trim() === '' && unbounded(input.default) ? input.default : number.value));
      return { node: number, set: (v) => { number.disabled = animated(v); number.value = unbounded(v) ? '' : describeValue(v); } };
    }
  }
}

// `group`: the label of the group around the field, left out of the field's own label.
function makeField(fieldNode, group) {
  const name = fieldNode.getAttribute('input');
  const kind = fieldNode.getAttribute('kind');
  if (name === null) { // a stored value shown, not edited (the generator's format)
    const value = fieldNode.getAttribute('value');
    const out = el('output', { name: value });
    const row = el('div', { className: 'field', dataset: { value, kind } }, el('label', {}, value), out,
      el('span', { className: 'message' }));
    panel.fields.set(value, { row, set: (v) => { out.textContent = v; }, message: row.lastChild });
    return [row];
  }
  const members = kind === 'vector2' ? ['X', 'Y'].map((m) => name + '.' + m) : [name];
  return members.map((member) => {
    const input = panel.inputs.get(member) || {};
    const control = makeControl(kind === 'vector2' ? 'number' : kind, member, input);
    const message = el('span', { className: 'message' });
    const row = el('div', { className: 'field', dataset: { input: member, kind } },
      el('label', { title: member }, group && member.startsWith(group + ' ') ? member.slice(group.length + 1) : member),
      el('span', { className: 'control' }, control.node), message);
    panel.fields.set(member, { row, set: control.set, message });
    return row;
  });
}

function buildPanel(description) {
  const doc = new DOMParser().parseFromString(description, 'application/xml');
  const form = $('panel');
  for (const widget of doc.querySelectorAll('toolInterface > widget')) {
    const set = el('fieldset', { className: 'widget', dataset: { widget: widget.getAttribute('name') } },
      el('legend', {}, widget.getAttribute('label') || widget.getAttribute('name')));
    for (const child of widget.children) {
      if (child.tagName === 'field') { set.append(...makeField(child)); continue; }
      const toggle = child.getAttribute('toggle');
      const legend = el('legend', {});
      const group = el('fieldset', { className: 'group', dataset: { group: child.getAttribute('label') } }, legend);
      if (toggle) {
        const box = makeControl('checkbox', toggle, panel.inputs.get(toggle) || {});
        legend.append(el('label', {}, box.node, ' ' + child.getAttribute('label')));
        const message = el('span', { className: 'message' });
        legend.append(message);
        legend.dataset.input = toggle;
        panel.fields.set(toggle, { row: legend, set: box.set, message });
      } else {
        legend.textContent = child.getAttribute('label');
      }
      for (const field of child.children) group.append(...makeField(field, child.getAttribute('label')));
      set.append(group);
    }
    form.append(set);
  }
}

function applyState(state) {
  panel.state = state;
  for (const [name, field] of panel.fields) {
    if (name in state.values) field.set(state.values[name]);
    const warnings = state.warnings[name];
    field.message.textContent = warnings ? warnings.join(' ') : '';
    field.message.className = 'message';
  }
  for (const set of document.querySelectorAll('fieldset.widget')) {
    const enabled = state.widgets[set.dataset.widget];
    set.disabled = enabled === false;
  }
  $('undo').disabled = state.undo === 0;
  $('undo').title = state.undo ? 'Undo ' + state.undoName + ' (Ctrl+Z)' : 'Nothing to undo';
  $('redo').disabled = state.redo === 0;
  $('plateControl').hidden = state.plate === null;
  $('plate').checked = state.plate === true;
}

let previewRequest = 0;
async function refreshPreview() {
  const ticket = ++previewRequest;
  const frame = $('frame').value;
  $('frameNumber').textContent = frame;
  const response = await fetch(`/api/preview?frame=${frame}&level=${$('level').value}`);
  if (ticket !== previewRequest) return; // a newer edit asked for another
  if (!response.ok) { showStatus((await response.json()).error, true); return; }
  const url = URL.createObjectURL(await response.blob());
  const img = $('preview');
  await new Promise((resolve) => { img.onload = resolve; img.onerror = resolve; img.src = url; });
  if (img.dataset.url) URL.revokeObjectURL(img.dataset.url);
  img.dataset.url = url;
  if (panel.editStarted !== null) {
    panel.lastEditMs = performance.now() - panel.editStarted;
    panel.editStarted = null;
    $('timing').textContent = `edit to preview ${panel.lastEditMs.toFixed(0)} ms`;
  }
  img.dataset.frame = frame;
  img.dataset.level = $('level').value;
  img.dataset.count = ++panel.previews;
}

async function start() {
  try {
    panel.info = await api('GET', '/api/panel');
  } catch (e) {
    showStatus(e.message, true);
    return;
  }
  for (const input of panel.info.inputs) panel.inputs.set(input.name, input);
  panel.state = panel.info.state;
  buildPanel(panel.info.description);
  applyState(panel.info.state);
  const frame = $('frame');
  Object.assign(frame, { min: panel.info.first, max: panel.info.last, value: panel.info.first });
  frame.addEventListener('input', refreshPreview);
  const level = $('level');
  ['Full', '1/2', '1/4', '1/8'].slice(0, panel.info.levels + 1)
    .forEach((label, k) => level.append(el('option', { value: String(k) }, label)));
  level.value = '1';
  level.addEventListener('change', refreshPreview);
  $('command').textContent = panel.info.command || '';
  const undo = async () => { if (panel.flushText) await panel.flushText(); command('/api/undo'); };
  const redo = () => command('/api/redo');
  $('undo').addEventListener('click', undo);
  $('redo').addEventListener('click', redo);
  $('plate').addEventListener('change', () => command('/api/plate', { connected: $('plate').checked }));
  $('save').addEventListener('click', async () => {
    try {
      const saved = await api('POST', '/api/save', {});
      $('command').textContent = saved.command;
      showStatus('Saved ' + saved.path);
    } catch (e) {
      showStatus(e.message, true);
    }
  });
  document.addEventListener('keydown', (event) => {
    if (!(event.ctrlKey || event.metaKey) || event.key.toLowerCase() !== 'z') return;
    event.preventDefault();
    if (event.shiftKey) redo(); else undo();
  });
  await refreshPreview();
  document.body.dataset.ready = 'true';
}

start();
