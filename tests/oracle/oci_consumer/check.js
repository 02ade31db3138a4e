// An OCI client that we did not write: node-oracledb in thick mode loads
// libclntsh from the double's folder and logs on to an embedded database.
// Usage: node check.js LIBDIR ALIAS (user TAVO, password tavo).
'use strict';
const assert = require('assert');
const oracledb = require('oracledb');
const [libDir, alias] = process.argv.slice(2);

(async () => {
  oracledb.initOracleClient({ libDir });
  const conn = await oracledb.getConnection({ user: 'TAVO', password: 'tavo', connectString: alias });
  await conn.execute('create table PROBE (ID NUMBER(10), NAME VARCHAR2(40), D DATE, X CLOB)');

  // a query with binds: VARCHAR2, NUMBER and DATE columns
  const when = new Date(2024, 2, 5, 10, 20, 30);
  await conn.execute('insert into PROBE (ID, NAME, D) values (:id, :name, :d)', { id: 1, name: 'Čšž', d: when });
  await conn.execute('insert into PROBE (ID, NAME) values (:id, :name)', { id: 2, name: null });
  await conn.commit();
  const r = await conn.execute('select ID, NAME, D from PROBE where ID >= :lo order by ID', { lo: 1 });
  assert.deepStrictEqual(r.metaData.map(m => m.name), ['ID', 'NAME', 'D']);
  assert.strictEqual(r.rows.length, 2);
  assert.strictEqual(r.rows[0][0], 1);
  assert.strictEqual(r.rows[0][1], 'Čšž');
  assert.strictEqual(r.rows[0][2].getTime(), when.getTime());
  assert.deepStrictEqual([r.rows[1][1], r.rows[1][2]], [null, null]);

  // a PL/SQL block with an out bind
  const b = await conn.execute('begin :n := :a + 1; :t := :s || \'!\'; end;', {
    n: { dir: oracledb.BIND_OUT, type: oracledb.NUMBER },
    t: { dir: oracledb.BIND_OUT, type: oracledb.STRING, maxSize: 100 },
    a: 41,
    s: 'out',
  });
  assert.strictEqual(b.outBinds.n, 42);
  assert.strictEqual(b.outBinds.t, 'out!');

  // write a CLOB through the locator a RETURNING clause gives, then read it
  const text = 'ž'.repeat(3000) + '<konec/>';
  const ins = await conn.execute('insert into PROBE (ID, X) values (3, empty_clob()) returning X into :x',
    { x: { dir: oracledb.BIND_OUT, type: oracledb.CLOB } });
  const lob = ins.outBinds.x[0];
  await new Promise((resolve, reject) => { lob.on('finish', resolve); lob.on('error', reject); lob.end(text); });
  await conn.commit();
  const q = await conn.execute('select X from PROBE where ID = 3');
  assert.strictEqual(q.metaData[0].dbTypeName, 'CLOB');
  const read = q.rows[0][0];
  assert.strictEqual(await read.getData(), text);
  read.destroy();

  // the database's error text
  await assert.rejects(conn.execute('select * from NOTHERE'), /ORA-00942/);
  // closing with work still open rolls it back
  await conn.execute('insert into PROBE (ID) values (9)');
  await conn.close();
  const again = await oracledb.getConnection({ user: 'TAVO', password: 'tavo', connectString: alias });
  const n = await again.execute('select count(*) from PROBE where ID = 9');
  assert.strictEqual(n.rows[0][0], 0);
  await again.close();
  console.log('the OCI consumer check passed');
})().catch(e => { console.error('the OCI consumer check failed:', e); process.exit(1); });
