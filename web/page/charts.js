// The charts tab: the analysis chart's six views drawn as SVG, from the analysis of the report's
// job (--json --json-series, with the report's options) and the engine's table of views and series, the one the
// desktop window reads: the same series in the same views, in the series' own colours, with
// the same marks. A click on a point of the in-use record sizes names its key by its path, as
// the window's message line does; the key is then one click away in the tree.
'use strict';

(() => {
  const page = window.quarvexPage;
  const $ = page.$;
  const NS = 'http://www.w3.org/2000/svg';
  const W = 672;
  const H = 392;
  const plot = { left: 56, top: 24, right: W - 112, bottom: H - 40 };
  let table = null;   // the engine's views and series
  let series = [];    // the analysis' nine series, each {title, points: [{value, label, colour}]}
  let view = 0;

  function el(name, attrs, parent) {
    const e = document.createElementNS(NS, name);
    for (const [k, v] of Object.entries(attrs || {})) e.setAttribute(k, String(v));
    if (parent) parent.append(e);
    return e;
  }
  const rgb = (c) => `rgb(${c.r},${c.g},${c.b})`;
  const grouped = (v) => (Math.round(v) || 0).toLocaleString('en-US');  // "14,028", as the window writes them

  // A boxed text whose lower middle is at (x, y), as the window's marks.
  function mark(svg, x, y, text) {
    const g = el('g', { class: 'mark' }, svg);
    const t = el('text', { x, y: y - 4, 'text-anchor': 'middle' }, g);
    t.textContent = text;
    const width = text.length * 7 + 8;
    g.insertBefore(el('rect', { x: x - width / 2, y: y - 17, width, height: 16 }), t);
    return g;
  }

  function legend(svg, entries) {
    if (!entries.length) return;
    const g = el('g', { class: 'legend' }, svg);
    const width = Math.max(...entries.map((e) => e.title.length)) * 7 + 24;
    const left = W - width - 6;
    el('rect', { x: left, y: 8, width, height: entries.length * 17 + 6 }, g);
    entries.forEach((entry, i) => {
      el('rect', { x: left + 5, y: 14 + i * 17, width: 9, height: 9, fill: entry.colour, class: 'swatch' }, g);
      el('text', { x: left + 18, y: 22 + i * 17 }, g).textContent = entry.title;
    });
  }

  function drawPie(svg, s) {
    const points = s.points.filter((p) => p.value > 0);
    const total = points.reduce((sum, p) => sum + p.value, 0);
    const cx = (plot.left + plot.right) / 2;
    const cy = (plot.top + plot.bottom) / 2;
    const r = 112;
    const role = table.series[series.indexOf(s)];
    let angle = 0;  // degrees clockwise from 12 o'clock, as the window's pie starts
    const at = (deg, radius) => [cx + radius * Math.sin(deg * Math.PI / 180), cy - radius * Math.cos(deg * Math.PI / 180)];
    const marks = [];
    for (const p of points) {
      const sweep = (p.value / total) * 360;
      const [x1, y1] = at(angle, r);
      const [x2, y2] = at(angle + sweep, r);
      const d = sweep >= 359.999
        ? `M ${cx} ${cy - r} A ${r} ${r} 0 1 1 ${cx - 0.01} ${cy - r} Z`
        : `M ${cx} ${cy} L ${x1} ${y1} A ${r} ${r} 0 ${sweep > 180 ? 1 : 0} 1 ${x2} ${y2} Z`;
      const slice = el('path', { d, fill: rgb(p.colour), class: 'slice' }, svg);
      el('title', {}, slice).textContent = `${p.label} ${grouped(p.value)}`;
      marks.push({ mid: angle + sweep / 2, text: `${p.label} ${grouped(p.value)}` });
      angle += sweep;
    }
    if (!role.marksShown) return;
    let lastY = -Infinity;
    for (const m of marks) {
      const [ex, ey] = at(m.mid, r + role.markArrow);
      const [sx, sy] = at(m.mid, r);
      el('line', { x1: sx, y1: sy, x2: ex, y2: ey, class: 'arrow' }, svg);
      // Boxes of thin neighbouring slices would cover each other: each one at least a line below.
      const y = Math.abs(ey - lastY) < 18 ? lastY + 18 : ey;
      lastY = y;
      const right = m.mid % 360 < 180;
      const width = m.text.length * 7 + 8;
      mark(svg, right ? ex + width / 2 : ex - width / 2, y + 8, m.text);
    }
  }

  function axisLabel(svg, x, y, text, anchor) {
    el('text', { x, y, 'text-anchor': anchor, class: 'axis-label' }, svg).textContent = text;
  }

  // A round step for about five ticks over span (1, 2 or 5 times a power of ten).
  function tickStep(span) {
    if (!(span > 0)) return 1;
    const raw = span / 5;
    const power = Math.pow(10, Math.floor(Math.log10(raw)));
    for (const m of [1, 2, 5, 10]) if (raw <= m * power) return m * power;
    return 10 * power;
  }

  function frame(svg) {
    el('rect', { x: plot.left, y: plot.top, width: plot.right - plot.left, height: plot.bottom - plot.top, class: 'plot' }, svg);
  }

  function drawBars(svg, shown, marksOn) {
    frame(svg);
    const categories = series[shown[0]].points.map((p) => p.label);
    const width = (plot.right - plot.left) / Math.max(categories.length, 1);
    const y = (percent) => plot.bottom - (percent / 100) * (plot.bottom - plot.top);
    for (let t = 0; t <= 100; t += 20) {
      el('line', { x1: plot.left, x2: plot.right, y1: y(t), y2: y(t), class: 'grid' }, svg);
      axisLabel(svg, plot.left - 6, y(t) + 5, String(t), 'end');
    }
    categories.forEach((name, i) => {
      const total = shown.reduce((sum, s) => sum + (series[s].points[i] ? series[s].points[i].value : 0), 0);
      let below = 0;
      const x = plot.left + i * width + width * 0.2;
      for (const s of shown) {
        const p = series[s].points[i];
        if (!p) continue;
        const share = total > 0 ? (p.value / total) * 100 : 0;
        const bar = el('rect', { x, y: y(below + share), width: width * 0.6, height: y(below) - y(below + share), fill: rgb(p.colour), class: 'bar' }, svg);
        el('title', {}, bar).textContent = `${series[s].title} ${name}: ${grouped(p.value)}`;
        if (marksOn) mark(svg, x + width * 0.3, y(below + share) - table.series[s].markArrow, grouped(p.value));
        below += share;
      }
      if (categories.length <= 40 || i % Math.ceil(categories.length / 40) === 0)
        axisLabel(svg, x + width * 0.3, plot.bottom + 16, name, 'middle');
    });
    legend(svg, [...shown].reverse().map((s) => ({ title: series[s].title, colour: rgb(series[s].points[0] ? series[s].points[0].colour : { r: 0, g: 0, b: 0 }) })));
  }

  function drawSizes(svg, layout) {
    frame(svg);
    const shown = layout.series;
    const across = layout.averageAcross;
    const all = across === null ? shown : [...shown, across];
    let lo = 0;
    let hi = 0;
    let count = 0;
    for (const s of all) {
      for (const p of series[s].points) hi = Math.max(hi, p.value);
      if (shown.includes(s)) count = Math.max(count, series[s].points.length);
    }
    const span = hi - lo;
    const pad = span > 0 ? span * 0.03 : Math.max(1, Math.abs(hi) * 0.1);
    const yMin = lo - pad;
    const yMax = hi + pad;
    const xPad = Math.max(0.5, count * 0.01);
    const xMin = -xPad;
    const xMax = Math.max(count - 1, 0) + xPad;
    const px = (i) => plot.left + ((i - xMin) / (xMax - xMin)) * (plot.right - plot.left);
    const py = (v) => plot.bottom - ((v - yMin) / (yMax - yMin)) * (plot.bottom - plot.top);
    const yStep = tickStep(yMax - yMin);
    for (let t = Math.ceil(yMin / yStep) * yStep; t <= yMax; t += yStep) {
      el('line', { x1: plot.left, x2: plot.right, y1: py(t), y2: py(t), class: 'grid' }, svg);
      axisLabel(svg, plot.left - 6, py(t) + 5, grouped(t), 'end');
    }
    const xStep = tickStep(xMax - xMin);
    for (let t = 0; t <= xMax; t += xStep) axisLabel(svg, px(t), plot.bottom + 16, grouped(t), 'middle');

    const entries = [];
    if (across !== null && series[across].points.length) {
      const p = series[across].points[0];
      el('line', { x1: plot.left, x2: plot.right, y1: py(p.value), y2: py(p.value), stroke: rgb(p.colour), class: 'average' }, svg);
      entries.push({ title: series[across].title, colour: rgb(p.colour) });
    }
    for (const s of shown) {
      const role = table.series[s];
      const points = series[s].points;
      if (!points.length) continue;
      if (role.drawing === 'line') {
        el('polyline', { points: points.map((p, i) => `${px(i)},${py(p.value)}`).join(' '), stroke: rgb(points[0].colour), class: 'average' }, svg);
      } else {
        drawPoints(svg, s, role, px, py);
      }
      if (role.legend || role.drawing === 'points') entries.push({ title: series[s].title, colour: rgb(points[0].colour) });
    }
    legend(svg, entries);
    svg.dataset.xmin = xMin;
    svg.dataset.xmax = xMax;
    svg.dataset.ymin = yMin;
    svg.dataset.ymax = yMax;
  }

  // A hive of 100,000 keys has 100,000 points for a plot some 500 pixels wide: one point is
  // drawn for each 3-by-3-pixel cell that holds any (the first of them), which looks the same;
  // a click still finds the nearest of all of them (pointAt).
  function drawPoints(svg, s, role, px, py) {
    const taken = new Set();
    const g = el('g', { class: 'points', 'data-series': s }, svg);
    series[s].points.forEach((p, i) => {
      const x = px(i);
      const y = py(p.value);
      const cell = `${Math.floor(x / 3)},${Math.floor(y / 3)}`;
      if (taken.has(cell)) return;
      taken.add(cell);
      const attrs = { fill: rgb(p.colour), 'data-index': i, class: 'point' };
      if (role.pointer === 'diamond') el('path', { ...attrs, d: `M ${x} ${y - 4} L ${x + 4} ${y} L ${x} ${y + 4} L ${x - 4} ${y} Z` }, g);
      else el('circle', { ...attrs, cx: x, cy: y, r: 3 }, g);
    });
  }

  // The point of series s nearest to a click at (x, y) in the SVG's pixels, within 8 pixels.
  function pointAt(svg, s, x, y) {
    const xMin = Number(svg.dataset.xmin);
    const xMax = Number(svg.dataset.xmax);
    const yMin = Number(svg.dataset.ymin);
    const yMax = Number(svg.dataset.ymax);
    const perIndex = (plot.right - plot.left) / (xMax - xMin);
    const perValue = (plot.bottom - plot.top) / (yMax - yMin);
    const centre = xMin + (x - plot.left) / perIndex;
    const reach = 8 / perIndex;
    const points = series[s].points;
    let best = null;
    let bestDistance = 8 * 8;
    for (let i = Math.max(0, Math.floor(centre - reach)); i <= Math.min(points.length - 1, Math.ceil(centre + reach)); i++) {
      const dx = (i - centre) * perIndex;
      const dy = (plot.bottom - (points[i].value - yMin) * perValue) - y;
      const distance = dx * dx + dy * dy;
      if (distance <= bestDistance) {
        best = i;
        bestDistance = distance;
      }
    }
    return best;
  }

  // What a clicked point is: the key of an in-use record by its path (its key node's offset
  // is the point's label, relative to the key-node block at file offset 32), a free record by
  // its offset.
  function namePoint(s, index) {
    const p = series[s].points[index];
    const relative = Number(p.label);
    if (table.series[s].id === 'Series6') {
      const offset = relative + 32;
      const path = page.keyPathAt(offset);
      return { text: path !== undefined ? path : `key node at offset ${page.hex(offset)}`, path };
    }
    return { text: `free record at offset ${page.hex(relative)}, ${grouped(p.value)} bytes` };
  }

  function draw() {
    const svg = $('chart');
    svg.replaceChildren();
    el('rect', { x: 0, y: 0, width: W, height: H, class: 'background' }, svg);
    $('chart-message').value = '';
    $('chart-show-key').hidden = true;
    if (!table || !series.length) {
      el('text', { x: W / 2, y: H / 2, 'text-anchor': 'middle', class: 'axis-label' }, svg).textContent =
        'No analysis: the report\'s job failed or the analysis was turned off.';
      return;
    }
    const layout = table.views[view];
    if (layout.axes === 'none') drawPie(svg, series[layout.series[0]]);
    else if (layout.axes === 'percent') drawBars(svg, layout.series, layout.barMarks !== 'hide');
    else drawSizes(svg, layout);
  }

  let asked = null;
  page.tabs.charts = {
    reset() {
      series = [];
      asked = null;
      if (!$('charts').hidden) page.tabs.charts.opened();
    },
    show(result) {
      table = result.chartViews || table;
      const select = $('chart-view');
      if (!select.options.length && table) {
        table.views.forEach((v, i) => select.add(new Option(v.selector, String(i))));
      }
      series = [];
      draw();
    },
    // The analysis is asked for once per hive and options, when the tab is opened; the
    // promise tells a test when the chart is drawn.
    opened() {
      if (!asked && page.last) {
        $('chart-message').value = 'analysing ...';
        asked = page.ask('analysis', { options: page.tabs.report.options() }).then((answer) => {
          try {
            series = answer.status === 0 ? JSON.parse(page.text(answer.out)).series || [] : [];
          } catch (e) {
            series = [];
          }
          draw();
        }).catch((e) => {
          $('chart-message').value = e.message;
        });
      }
      return asked;
    },
  };

  $('chart-view').addEventListener('change', (event) => {
    view = Number(event.target.value);
    draw();
  });
  $('chart').addEventListener('click', (event) => {
    const svg = $('chart');
    if (!table || !series.length || table.views[view].axes !== 'sizes') return;
    const box = svg.getBoundingClientRect();
    const x = ((event.clientX - box.left) / box.width) * W;
    const y = ((event.clientY - box.top) / box.height) * H;
    for (const s of table.views[view].series) {
      if (table.series[s].drawing !== 'points') continue;
      const index = pointAt(svg, s, x, y);
      if (index === null) continue;
      const named = namePoint(s, index);
      $('chart-message').value = named.text;
      $('chart-message').dataset.series = String(s);
      $('chart-message').dataset.label = series[s].points[index].label;
      $('chart-message').title = named.text;
      $('chart-show-key').hidden = named.path === undefined;
      $('chart-show-key').onclick = () => page.showKey(named.path);
      return;
    }
  });
})();
