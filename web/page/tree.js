// The keys-and-values tab: the key tree as ls -R -v --json gives it, a key's values, and the
// chosen value's bytes as a hex dump. Other tabs show a key here (page.showKey) by its path.
'use strict';

(() => {
  const page = window.quarvexPage;
  const $ = page.$;
  let byPath = new Map();    // path -> node {key, children, element}
  let byOffset = new Map();  // file offset of a key node -> path
  let chosen = null;

  // The keys as ls -R gives them, one JSON object a line, each key followed by its subtree;
  // a key's parent is the last key listed one level up (not the path cut at its last
  // backslash: a name may hold one, as "PCI\VEN_1000&DEV_2D35" under Enum does).
  function buildTree(lines) {
    const root = { children: [], key: null };
    byPath = new Map();
    byOffset = new Map();
    const line = [root];  // line[d]: the last key listed at depth d
    for (const text of lines.split('\n')) {
      if (!text.trim()) continue;
      const key = JSON.parse(text);
      const parent = line[Math.min(key.depth - 1, line.length - 1)] || root;
      const node = { key, children: [], parent };
      line.length = Math.min(key.depth, line.length);
      line[key.depth] = node;
      parent.children.push(node);
      byPath.set(key.path, node);
      if (key.offset !== undefined) byOffset.set(key.offset, key.path);
    }
    return root;
  }

  // Sixteen bytes a line: the offset in the data, the bytes, and those that are printable.
  function hexDump(hex) {
    const bytes = hex ? hex.split(' ').map((b) => parseInt(b, 16)) : [];
    const lines = [];
    for (let at = 0; at < bytes.length; at += 16) {
      const row = bytes.slice(at, at + 16);
      const hexes = row.map((b) => b.toString(16).toUpperCase().padStart(2, '0')).join(' ');
      const text = row.map((b) => (b >= 0x20 && b < 0x7f ? String.fromCharCode(b) : '.')).join('');
      lines.push(`${at.toString(16).toUpperCase().padStart(4, '0')}  ${hexes.padEnd(47)}  ${text}`);
    }
    return lines.join('\n') || '(no data)';
  }

  function showValue(row, value) {
    for (const other of $('value-table').querySelectorAll('tr.chosen')) other.classList.remove('chosen');
    row.classList.add('chosen');
    $('hex-title').textContent = `${value.name === '' ? '(default)' : value.name}: ${value.type}, ${value.length} bytes` +
      (value.cut ? ` (cut: ${value.declaredLength} declared)` : '');
    $('hex-view').textContent = hexDump(value.hex);
  }

  function choose(element, key) {
    if (chosen) chosen.classList.remove('chosen');
    chosen = element;
    element.classList.add('chosen');
    $('key-path').textContent = key.path + (key.findings.length ? `  (${key.findings.length} finding(s))` : '');
    $('key-findings').textContent = key.findings.join('\n');
    const body = $('value-table').tBodies[0];
    body.replaceChildren();
    $('hex-title').textContent = '';
    $('hex-view').textContent = '';
    for (const v of key.values || []) {
      const row = body.insertRow();
      row.insertCell().textContent = v.name === '' ? '(default)' : v.name;
      row.insertCell().textContent = v.type;
      // Long data is cut in the table; the hex view below shows all of it.
      const data = row.insertCell();
      data.textContent = v.data.length > 96 ? `${v.data.slice(0, 96)} ...` : v.data;
      data.title = v.data.length > 96 ? 'the whole value: click for its bytes' : '';
      row.addEventListener('click', () => showValue(row, v));
    }
  }

  // Subkeys are made when their parent is first opened: a hive of thousands of keys opens at once.
  function keyElement(node) {
    const label = node.key.name + (node.key.marks.length ? ` [${node.key.marks.join(', ')}]` : '');
    if (!node.children.length) {
      const leaf = document.createElement('div');
      leaf.className = 'leaf';
      leaf.textContent = label;
      leaf.addEventListener('click', () => choose(leaf, node.key));
      node.element = leaf;
      node.label = leaf;
      return leaf;
    }
    const details = document.createElement('details');
    const summary = document.createElement('summary');
    summary.textContent = label;
    summary.addEventListener('click', () => choose(summary, node.key));
    details.append(summary);
    node.fill = () => {
      if (details.childElementCount === 1) details.append(...node.children.map(keyElement));
    };
    details.addEventListener('toggle', () => {
      if (details.open) node.fill();
    });
    node.element = details;
    node.label = summary;
    return details;
  }

  // Shows the key of that path in the tree, its parents opened; false when the tree has no such key.
  page.showKey = (path) => {
    const node = byPath.get(String(path).replace(/\\$/, ''));
    if (!node || !node.key) return false;
    const line = [];
    for (let n = node.parent; n && n.key; n = n.parent) line.unshift(n);
    // Each parent makes its subkeys' elements when opened, top down.
    for (const n of line) {
      n.fill();
      n.element.open = true;
    }
    page.showTab('tree');
    choose(node.label, node.key);
    node.label.scrollIntoView({ block: 'center' });
    return true;
  };
  // The path of the key whose 28-byte key node lies at that file offset, if the tree has it.
  page.keyPathAt = (offset) => byOffset.get(offset);

  page.tabs.tree = {
    reset() {
      byPath = new Map();
      byOffset = new Map();
    },
    show(result) {
      try {
        $('keys').replaceChildren(...buildTree(result.tree.json).children.map(keyElement));
      } catch (e) {
        $('keys').textContent = result.tree.errors || 'The keys cannot be listed.';
      }
      $('key-path').textContent = '';
      $('key-findings').textContent = '';
      $('value-table').tBodies[0].replaceChildren();
      $('hex-title').textContent = '';
      $('hex-view').textContent = '';
    },
  };

  $('save-tree').addEventListener('click', () => {
    if (page.last) page.save(page.last.tree.json, '-keys.jsonl', 'application/json');
  });
  $('export-reg').addEventListener('click', () => {
    page.status('export ...');
    page.ask('export').then((answer) => {
      const reg = answer.files['export.reg'];
      if (!reg) return page.status(`the export failed: ${answer.err.trim()}`, true);
      page.save(reg, '.reg', 'text/plain');
      page.status(`exported ${reg.length.toLocaleString()} bytes (REGEDIT4)` + (answer.err.trim() ? `; ${answer.err.trim().split('\n').length} problem(s) noted in the file` : ''));
    }).catch((e) => page.status(e.message, true));
  });
})();
