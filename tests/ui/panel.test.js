// The Slate panel end to end: kestrin-render --serve driven in Debian's chromium.
//   node tests/ui/panel.test.js [BUILD]     (make test-ui)
// Every check compares what the page shows or sends with what kestrin-render itself says or
// writes: the description file, --list-fonts, frames rendered from the command line and from the
// saved composition, byte for byte. Leaves a screenshot in BUILD/panel.png (or where
// $PANEL_SCREENSHOT says: docs/images/panel.png refreshes the README's) and prints the
// edit-to-preview time at level 1 (not asserted).
'use strict';
const { chromium } = require('playwright-core');
const { spawn, spawnSync, execFileSync } = require('child_process');
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');

const root = path.resolve(__dirname, '..', '..');
const build = path.resolve(root, process.argv[2] || 'build');
const program = path.join(build, 'bin', 'kestrin-render');
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'slate-panel-'));
const plate = path.join(work, 'plate.####.png');
const saved = path.join(work, 'saved.json');
const common = ['-i', plate, '--comp-name', 'sh010', '--range', '1-3'];

const failures = [];
function check(condition, what) {
  if (!condition) failures.push(what);
  console.log(`${condition ? 'ok  ' : 'FAIL'} ${what}`);
}
const render = (args) => execFileSync(program, [...args, '-q'], { stdio: ['ignore', 'pipe', 'pipe'] });
/// Frame `frame` at `level` as kestrin-render writes it to a PNG file.
function renderFile(args, frame, level) {
  const out = path.join(work, `cli${level}f${frame}.####.png`);
  render([...args, '-f', String(frame), '--level', String(level), '-o', out]);
  return fs.readFileSync(out.replace('####', String(frame).padStart(4, '0')));
}

/// A request made outside the browser, with the headers a foreign page or a rebinding name sends.
function rawRequest(url, method, headers, body) {
  return new Promise((resolve, reject) => {
    const req = http.request(url, { method, headers }, (res) => {
      let text = '';
      res.on('data', (d) => { text += d; });
      res.on('end', () => resolve({ status: res.statusCode, text }));
    });
    req.on('error', reject);
    req.end(body);
  });
}

/// The fields of the description file in order: widgets, groups, inputs (a vector's members),
/// shown values, each with its kind.
function describedFields() {
  const xml = fs.readFileSync(path.join(root, 'tools/slate/resources/slate.xml'), 'utf8')
    .replace(/<!--[\s\S]*?-->/g, '');
  const items = [];
  for (const m of xml.matchAll(/<(widget|group|field)\s([^>]*)>/g)) {
    const attr = (name) => (m[2].match(new RegExp(`${name}="([^"]*)"`)) || [])[1];
    if (m[1] === 'widget') items.push(`widget ${attr('name')}`);
    else if (m[1] === 'group') items.push(`group ${attr('label')}` + (attr('toggle') ? ` toggle ${attr('toggle')}` : ''));
    else if (attr('value')) items.push(`value ${attr('value')} ${attr('kind')}`);
    else if (attr('kind') === 'vector2') items.push(...['X', 'Y'].map((c) => `input ${attr('input')}.${c} vector2`));
    else items.push(`input ${attr('input')} ${attr('kind')}`);
  }
  return items;
}

async function main() {
  // A 1920x1080 plate sequence of three frames, made by kestrin-render itself.
  render(['--size', '1920x1080', '--range', '1-3', '-s', 'Fill Color=0.15,0.3,0.45', '-s', 'Text=plate <FrameNo>',
    '-s', 'Vertical Alignment=Top', '-o', plate]);
  const server = spawn(program, ['--serve', '--port', '0', ...common, '--save', saved],
    { stdio: ['ignore', 'pipe', 'inherit'] });
  const url = await new Promise((resolve, reject) => {
    let text = '';
    server.stdout.on('data', (d) => {
      text += d;
      const m = text.match(/Slate panel: (http:\/\/\S+)/);
      if (m) resolve(m[1]);
    });
    server.on('exit', (code) => reject(new Error(`kestrin-render --serve ended with ${code}`)));
  });
  const browser = await chromium.launch({ executablePath: process.env.CHROMIUM || '/usr/bin/chromium', args: ['--no-sandbox'] });
  try {
    // The test's own probes run as evaluated strings, which the page's policy forbids its own scripts.
    const page = await browser.newPage({ viewport: { width: 1280, height: 760 }, bypassCSP: true });
    await page.goto(url);
    await page.waitForSelector('body[data-ready=true]');
    const previews = () => page.$eval('#preview', (img) => +img.dataset.count);
    // Runs `action` and waits for the preview it brings.
    const afterPreview = async (action) => {
      const before = await previews();
      await action();
      await page.waitForFunction((n) => +document.getElementById('preview').dataset.count > n, before);
    };
    const previewBytes = () => page.$eval('#preview', async (img) => Array.from(new Uint8Array(await (await fetch(img.src)).arrayBuffer())));
    const value = (name) => page.evaluate((n) => window.slatePanel.state.values[n], name);
    const setLevel = (k) => afterPreview(() => page.selectOption('#level', String(k)));
    const setFrame = (f) => afterPreview(() => page.$eval('#frame', (el, v) => { el.value = v; el.dispatchEvent(new Event('input')); }, f));
    const same = (a, b) => Buffer.compare(Buffer.from(a), Buffer.from(b)) === 0;

    // The panel's fields are the description's, in its order, with their kinds and controls.
    const shown = await page.$$eval('[data-widget], [data-group], [data-input], [data-value]', (nodes) => nodes.map((n) => {
      if (n.dataset.widget) return `widget ${n.dataset.widget}`;
      if (n.dataset.group) {
        const legend = n.querySelector('legend');
        return `group ${n.dataset.group}` + (legend.dataset.input ? ` toggle ${legend.dataset.input}` : '');
      }
      if (n.dataset.value) return `value ${n.dataset.value} ${n.dataset.kind}`;
      return n.tagName === 'LEGEND' ? null : `input ${n.dataset.input} ${n.dataset.kind}`;
    }).filter((x) => x));
    check(JSON.stringify(shown) === JSON.stringify(describedFields()), 'the fields follow slate.xml in order');
    const controls = { multiLineText: 'TEXTAREA', fontFamily: 'SELECT', choice: 'SELECT', color: 'color', checkbox: 'checkbox', slider: 'range' };
    const kinds = await page.$$eval('.field[data-input]', (rows) => rows.map((r) => {
      const c = r.querySelector('.control textarea, .control select, .control input');
      return [r.dataset.kind, c.tagName === 'INPUT' ? c.type : c.tagName];
    }));
    check(kinds.every(([k, c]) => !(k in controls) || controls[k] === c), 'each field kind gets its control');
    const sizeRange = await page.$eval('input[type=range][name="Text Opacity"]', (r) => [r.min, r.max]);
    check(JSON.stringify(sizeRange) === '["0","1"]', 'a slider spans its input\'s range (Text Opacity 0-1)');

    // Typing a text updates the preview; at frame 2, level 1 it is what the command line writes.
    await setFrame(2);
    const first = await previewBytes();
    await afterPreview(() => page.fill('textarea[name=Text]', 'Panel <CompName> <FrameNo>'));
    const typed = await previewBytes();
    check(!same(first, typed), 'typing a text changes the preview');
    check(same(typed, renderFile([...common, '-s', 'Text=Panel <CompName> <FrameNo>'], 2, 1)),
      'the preview equals kestrin-render --level 1 of the same composition, byte for byte');

    // A family limits the style menu to its own styles; the style it brings is undone with it.
    const fonts = Object.fromEntries(execFileSync(program, ['--list-fonts']).toString().trim().split('\n')
      .map((line) => [line.slice(0, line.indexOf(':')), line.slice(line.indexOf(':') + 2).split(', ')]));
    const styleMenu = () => page.$$eval('select[name="Text Style"] option', (o) => o.map((x) => x.value));
    await afterPreview(() => page.selectOption('select[name="Text Style"]', 'Bold'));
    const bold = await previewBytes();
    for (const [family, style] of [['DejaVu Serif', 'Bold'], ['DejaVu Sans Light', 'Regular']]) {
      await afterPreview(() => page.selectOption('select[name="Text Font"]', family));
      check(JSON.stringify(await styleMenu()) === JSON.stringify(fonts[family]), `the style menu of ${family} lists its styles`);
      check(await value('Text Style') === style, `${family} leaves the style ${style}`);
    }
    await afterPreview(() => page.keyboard.press('Control+Z'));
    check(await value('Text Font') === 'DejaVu Serif' && await value('Text Style') === 'Bold',
      'Ctrl+Z undoes the family change and the style it brought in one step');
    await afterPreview(() => page.keyboard.press('Control+Z'));
    check(await value('Text Font') === 'DejaVu Sans' && same(await previewBytes(), bold), 'undo restores the previous preview exactly');
    await afterPreview(() => page.keyboard.press('Control+Shift+Z'));
    check(await value('Text Font') === 'DejaVu Serif' && await value('Text Style') === 'Bold', 'Ctrl+Shift+Z redoes a step');

    // A bad value is an error beside its field; nothing changes.
    const undoCount = await page.evaluate(() => window.slatePanel.state.undo);
    await page.fill('input[name="Text Size value"]', '-5');
    await page.press('input[name="Text Size value"]', 'Tab');
    await page.waitForFunction(() => document.querySelector('[data-input="Text Size"] .message.error'));
    const message = await page.textContent('[data-input="Text Size"] .message');
    let cli = '';
    try { render(['--size', '64x64', '--null-output', '-s', 'Text Size=-5']); } catch (e) { cli = e.stderr ? e.stderr.toString() : ''; }
    check(message.length > 0 && cli.includes(`--set "Text Size=-5": ${message}`), `a bad value is shown as --set reports it: ${message}`);
    check(await page.evaluate(() => window.slatePanel.state.undo) === undoCount && await value('Text Size') === 48,
      'a refused value leaves the node and the history alone');

    // A warning of the tool shows beside the field it concerns, as kestrin-render prints it.
    await afterPreview(() => page.fill('textarea[name=Text]', 'Panel \uE000'));
    const warning = await page.textContent('[data-input="Text"] .message');
    const printed = spawnSync(program, ['--size', '64x64', '--null-output', '-s', 'Text=Panel \uE000']).stderr.toString();
    check(warning.length > 0 && printed.includes(`Warning: ${warning}`), `a missing character is reported beside the text: ${warning}`);
    await afterPreview(() => page.keyboard.press('Control+Z'));
    check(await value('Text') === 'Panel <CompName> <FrameNo>', 'Ctrl+Z restores the text');

    // The Output widget is disabled while the plate is connected, enabled once it is not.
    const outputDisabled = () => page.$eval('fieldset[data-widget=Output]', (f) => f.disabled);
    check(await outputDisabled() === true, 'Output is disabled while the plate is connected');
    await afterPreview(() => page.uncheck('#plate'));
    check(await outputDisabled() === false, 'Output is enabled after disconnecting the plate');
    await afterPreview(() => page.check('#plate'));
    check(await outputDisabled() === true, 'Output is disabled again when the plate is connected again');

    // Save writes a composition that kestrin-render renders to the frames the panel shows.
    await afterPreview(() => page.check('input[type=checkbox][name=Box]'));
    await page.click('#save');
    await page.waitForFunction(() => /^Saved /.test(document.getElementById('status').textContent));
    check((await page.textContent('#command')) === `kestrin-render ${saved} -o slate.####.png`, 'the page shows the command line that renders the file');
    for (const [frame, level] of [[1, 0], [3, 2]]) {
      await setLevel(level);
      await setFrame(frame);
      check(same(await previewBytes(), renderFile([saved], frame, level)), `the saved file renders frame ${frame} at level ${level} as previewed`);
    }

    // Requests from elsewhere are refused and change nothing.
    const host = new URL(url).host;
    const edit = JSON.stringify({ input: 'Text', value: 'forged' });
    const json = { 'Content-Type': 'application/json' };
    const refused = [
      await rawRequest(url + 'api/set', 'POST', { ...json, Origin: 'http://evil.example' }, edit),
      await rawRequest(url + 'api/set', 'POST', { ...json, Host: `rebound.example:${new URL(url).port}` }, edit),
      await rawRequest(url + 'api/set', 'POST', { 'Content-Type': 'text/plain', Origin: `http://${host}` }, edit),
      await rawRequest(url + 'api/panel', 'GET', { Origin: 'null' }),
    ];
    check(JSON.stringify(refused.map((r) => r.status)) === '[403,403,415,403]', 'another origin, a foreign Host and a non-JSON post are refused');
    const panelState = JSON.parse((await rawRequest(url + 'api/panel', 'GET', {})).text).state;
    check(panelState.values.Text === 'Panel <CompName> <FrameNo>', 'refused requests changed nothing');
    const cross = await page.evaluate(async () => (await fetch('/api/panel', { headers: {} })).status);
    check(cross === 200, 'the page\'s own requests are served');

    // Edit to refreshed preview at level 1 on 1920x1080: measured, not asserted.
    await setLevel(1);
    const times = [];
    for (let i = 0; i < 8; ++i) {
      await afterPreview(() => page.fill('textarea[name=Text]', `Timing ${i} <FrameNo>`));
      times.push(await page.evaluate(() => window.slatePanel.lastEditMs));
    }
    times.sort((a, b) => a - b);
    console.log(`edit to preview at level 1, 1920x1080 (from the edit sent to the new preview drawn): median ${times[4].toFixed(0)} ms, ` +
      `worst ${times[7].toFixed(0)} ms`);

    await page.fill('textarea[name=Text]', '<CompName>  v<VersionNo>\nframe <FrameNo>  <Timecode>');
    await afterPreview(() => page.press('textarea[name=Text]', 'End'));
    await page.screenshot({ path: process.env.PANEL_SCREENSHOT || path.join(build, 'panel.png') });
  } finally {
    await browser.close();
    server.kill('SIGTERM');
  }
  fs.rmSync(work, { recursive: true, force: true });
  if (failures.length) {
    console.log(`${failures.length} check(s) failed`);
    process.exit(1);
  }
  console.log('every check passed');
}

main().catch((e) => { console.error(e); process.exit(1); });
