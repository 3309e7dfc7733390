#!/usr/bin/env python3
"""Writes sample.txt beside this script: the description of the sample database that ships with the
program (Harbour Lane Provisions, a small and fictional wholesaler of coffee, tea and baking goods).

The customers, products and categories are written out here by hand; two years of orders and their
lines are drawn from a fixed random seed, so the same file comes out every time. The build reads only
sample.txt: change this script and run it again (python3 make-sample.py) rather than editing that file.
"""
import random
from datetime import date, datetime, time, timedelta
from pathlib import Path

SEED = 20250303
FIRST_DAY, LAST_DAY = date(2023, 1, 2), date(2024, 12, 31)
PRICE_RISE_DAY = date(2024, 1, 1)  # list prices went up 4% then; older lines keep the old price
UNSHIPPED_FROM = date(2024, 12, 23)  # orders from then on had not left the warehouse
OPEN_FROM = date(2024, 11, 18)  # invoices before then are paid, except the overdue ones below
OVERDUE_CUSTOMERS = {31, 36}  # these two pay late: their autumn invoices are still open

# Customer ID, company, contact, address, postal code, city, country, customer since, credit limit,
# active, orders a month on average.
CUSTOMERS = [
    (1, "Alder & Finch Café", "Maren Holt", "Strandgaten 14", "5013", "Bergen", "Norway", "2019-04-01", 5000, True, 0.9),
    (2, "Blue Kettle Tearoom", "Owen Price", "22 Castle Arcade", "CF10 1BU", "Cardiff", "United Kingdom", "2020-09-15", 2500, True, 0.5),
    (3, "Bäckerei Sommerfeld", "Jonas Weiß", "Mühlenstraße 8", "23552", "Lübeck", "Germany", "2018-01-22", 8000, True, 1.1),
    (4, "Corner Grind", "Priya Nair", "5 Briggate", "LS1 6HD", "Leeds", "United Kingdom", "2021-06-30", 1500, True, 0.4),
    (5, "Les Trois Tasses", "Élodie Marchand", "17 rue Mercière", "69002", "Lyon", "France", "2022-02-14", 3000, True, 0.5),
    (6, "Northside Deli", "Sam Okafor", "41 Dorset Street Upper", "D01 K2V6", "Dublin", "Ireland", "2017-11-03", 4000, False, 0.6),
    (7, "Pier Seven Roasters", "Lena Kowalczyk", "ul. Długa 31", "80-827", "Gdańsk", "Poland", "2023-03-08", 6000, True, 0.8),
    (8, "Café Solstice", "Tomás Ruiz", "Calle Feria 62", "41003", "Sevilla", "Spain", "2022-05-20", 2000, True, 0.3),
    (9, "The Flour Room", "Hannah Boyd", "9 Victoria Street", "EH1 2HE", "Edinburgh", "United Kingdom", "2019-10-07", 4500, True, 0.7),
    (10, "Kaffebrenneriet Nord", "Sigrid Aas", "Storgata 21", "9008", "Tromsø", "Norway", "2021-01-18", 3500, True, 0.4),
    (11, "Hafenbäckerei Kruse", "Fiete Kruse", "Am Sande 3", "21335", "Lüneburg", "Germany", "2016-08-29", 7500, True, 1.0),
    (12, "Pâtisserie Clément", "Luc Clément", "8 rue des Carmes", "35000", "Rennes", "France", "2020-03-02", 3000, True, 0.5),
    (13, "Copper Pot Kitchen", "Aisling Byrne", "12 Oliver Plunkett Street", "T12 X2C8", "Cork", "Ireland", "2022-09-12", 2000, True, 0.3),
    (14, "Molenaar Koffie", "Daan de Vries", "Oudegracht 112", "3511 AV", "Utrecht", "Netherlands", "2018-06-04", 5500, True, 0.8),
    (15, "Brasserie Van Damme", "Ines Van Damme", "Korenlei 7", "9000", "Gent", "Belgium", "2019-02-25", 3500, True, 0.4),
    (16, "Kaffeehaus Lindner", "Theresa Lindner", "Schönbrunner Straße 44", "1050", "Wien", "Austria", "2017-04-10", 6000, True, 0.7),
    (17, "Café Nørrebro", "Mads Jensen", "Jægersborggade 19", "2200", "København", "Denmark", "2021-11-22", 2500, True, 0.4),
    (18, "Trattoria Bellavista", "Giulia Conti", "Via del Moro 22", "00153", "Roma", "Italy", "2020-07-13", 3000, True, 0.3),
    (19, "Padaria Estrela", "Rui Almeida", "Rua da Rosa 57", "1200-383", "Lisboa", "Portugal", "2022-04-04", 2500, True, 0.4),
    (20, "Kafé Sirius", "Elin Lund", "Götgatan 48", "118 26", "Stockholm", "Sweden", "2019-09-30", 4000, True, 0.6),
    (21, "Harvest Table Bakery", "George Whitfield", "3 Pulteney Bridge", "BA2 4AT", "Bath", "United Kingdom", "2018-11-19", 6500, True, 0.9),
    (22, "Sugar & Salt", "Chloé Dubois", "24 rue de la Monnaie", "59800", "Lille", "France", "2023-01-16", 2000, True, 0.3),
    (23, "Konditorei Amsel", "Felix Amsel", "Zeil 90", "60313", "Frankfurt am Main", "Germany", "2017-02-06", 7000, True, 0.8),
    (24, "Roast & Rye", "Nora Quinn", "28 Shop Street", "H91 D2Y4", "Galway", "Ireland", "2021-05-03", 2500, True, 0.4),
    (25, "Kahvila Aalto", "Aino Virtanen", "Fredrikinkatu 36", "00100", "Helsinki", "Finland", "2020-01-27", 3500, True, 0.5),
    (26, "La Tazza d'Oro", "Marco Ferri", "Via Zamboni 16", "40126", "Bologna", "Italy", "2019-05-06", 3000, True, 0.4),
    (27, "Bakkerij De Molen", "Sanne Jansen", "Grote Houtstraat 41", "2011 SE", "Haarlem", "Netherlands", "2018-03-12", 4000, False, 0.5),
    (28, "Café Zentral", "Lukas Huber", "Rennweg 30", "8001", "Zürich", "Switzerland", "2022-10-24", 5000, True, 0.5),
    (29, "The Oat & Acorn", "Imogen Hale", "14 Magdalen Street", "OX1 3AE", "Oxford", "United Kingdom", "2020-11-09", 3000, True, 0.6),
    (30, "Pekárna Hvězda", "Petr Novák", "Karlova 12", "110 00", "Praha", "Czech Republic", "2021-08-16", 2500, True, 0.4),
    (31, "Chai Corner", "Ravi Mehta", "66 Bold Street", "L1 4EA", "Liverpool", "United Kingdom", "2022-06-27", 1500, True, 0.4),
    (32, "Boulangerie du Port", "Yann Le Goff", "3 quai de la Douane", "29200", "Brest", "France", "2019-12-02", 3500, True, 0.5),
    (33, "Kaffeebar Elbe", "Mia Schulz", "Alsterarkaden 9", "20354", "Hamburg", "Germany", "2020-04-20", 4500, True, 0.6),
    (34, "Café Aurora", "Sofía Navarro", "Carrer de Verdi 11", "08012", "Barcelona", "Spain", "2021-03-15", 3000, True, 0.4),
    (35, "Grey Gull Tea Shop", "Fiona MacLeod", "2 Harbour Road", "IV1 1SY", "Inverness", "United Kingdom", "2018-09-24", 2000, True, 0.3),
    (36, "Delikatesy Wisła", "Anna Nowak", "ul. Floriańska 15", "31-019", "Kraków", "Poland", "2022-01-10", 2500, True, 0.4),
    (37, "Het Koffiehuis", "Pieter Claes", "Vlaamsekaai 30", "2000", "Antwerpen", "Belgium", "2019-07-08", 4000, True, 0.5),
    (38, "Mill Lane Bakehouse", "Tom Ashworth", "7 Mill Lane", "YO1 7HG", "York", "United Kingdom", "2017-10-16", 5500, True, 0.8),
    (39, "Kaffistova", "Kari Berg", "Torgallmenningen 2", "5014", "Bergen", "Norway", "2023-06-05", 2000, True, 0.3),
    (40, "Lantern Coffee House", "Beth Morgan", "9 High Street", "SA1 1LE", "Swansea", "United Kingdom", "2020-02-17", 3000, True, 0.5),
]
# The last day each inactive customer ordered on.
LAST_ORDER_OF_INACTIVE = {6: date(2023, 6, 30), 27: date(2024, 3, 31)}

CATEGORIES = [
    (1, "Coffee", "Whole-bean and ground coffees, roasted every week at our own roastery on Harbour Lane."),
    (2, "Tea", "Loose-leaf black, green and herbal teas, packed in resealable tins."),
    (3, "Baking", "Flours, sugars, yeast and nut meals for bakeries and café kitchens."),
    (4, "Chocolate & Cocoa", "Couverture callets and cocoa powders from Belgian and Dutch makers."),
    (5, "Syrups & Sundries", "Flavoured syrups, barista drinks, cups and filters: what a café runs out of."),
]

# Product ID, name, category, unit, current list price in cents (a multiple of 5), in stock, reorder
# level, discontinued, description, how often it is ordered, the most ordered at once.
PRODUCTS = [
    (101, "Harbour Blend Coffee Beans", 1, "1 kg bag", 1850, 140, 40, False, "Brazil and Colombia: cocoa, hazelnut and a long sweet finish", 10, 40),
    (102, "Ethiopia Yirgacheffe", 1, "1 kg bag", 2490, 35, 30, False, "Washed heirloom varieties: jasmine, bergamot and lemon", 4, 16),
    (103, "Decaf Swiss Water Roast", 1, "500 g bag", 1175, 12, 20, False, "Decaffeinated without chemicals: caramel and plum", 3, 12),
    (104, "Espresso Forte", 1, "1 kg bag", 1995, 88, 30, False, "A dark roast with a fifth of robusta, for a thick crema", 7, 30),
    (105, "Guatemala Huehuetenango", 1, "1 kg bag", 2240, 26, 20, False, "Brown sugar, red apple and milk chocolate", 3, 12),
    (106, "House Filter Grind", 1, "500 g bag", 960, 64, 25, False, "A medium grind for batch brewers", 5, 24),
    (201, "Earl Grey Supreme", 2, "250 g tin", 980, 60, 25, False, "Black tea with bergamot oil and cornflower petals", 5, 24),
    (202, "Sencha Green Tea", 2, "250 g tin", 1240, 18, 25, False, "Steamed Japanese green tea, grassy and bright", 3, 12),
    (203, "Rooibos Vanilla", 2, "250 g tin", 890, 44, 15, False, "Caffeine-free South African red bush with vanilla", 3, 12),
    (204, "Assam Breakfast", 2, "500 g tin", 1120, 52, 20, False, "Malty second-flush Assam that takes milk well", 4, 16),
    (205, "Chamomile Flowers", 2, "100 g tin", 645, 23, 15, False, "Whole Egyptian chamomile blossoms", 2, 12),
    (206, "Masala Chai Blend", 2, "250 g tin", 1035, 31, 15, False, "Assam with cardamom, ginger, cinnamon and clove", 3, 12),
    (301, "Organic Spelt Flour", 3, "5 kg sack", 1420, 75, 30, False, "Stone-ground wholegrain spelt", 5, 24),
    (302, "Strong White Bread Flour", 3, "16 kg sack", 2160, 58, 25, False, "13% protein, for long-proved doughs", 6, 30),
    (303, "Unrefined Cane Sugar", 3, "5 kg bag", 1285, 40, 20, False, "Golden granulated sugar from Mauritius", 5, 20),
    (304, "Fresh Yeast", 3, "500 g block", 310, 30, 40, False, "Kept chilled; best within three weeks", 4, 40),
    (305, "Madagascar Vanilla Pods", 3, "10 pods", 1995, 0, 5, True, "Grade A Bourbon vanilla", 2, 6),
    (306, "Almond Flour", 3, "1 kg bag", 1340, 22, 15, False, "Finely ground blanched almonds", 3, 12),
    (401, "Dark Chocolate Callets 70%", 4, "2.5 kg bag", 3200, 9, 10, False, "Belgian couverture for ganache and baking", 4, 12),
    (402, "Milk Chocolate Callets 33%", 4, "2.5 kg bag", 2950, 16, 10, False, "Creamy Belgian couverture", 3, 12),
    (403, "White Chocolate Callets 28%", 4, "2.5 kg bag", 3075, 11, 8, False, "Belgian couverture with Madagascar vanilla", 2, 8),
    (404, "Dutch Cocoa Powder 22/24", 4, "1 kg bag", 1590, 34, 15, False, "Alkalised, high-fat cocoa", 3, 12),
    (405, "Hot Chocolate Flakes", 4, "1 kg tin", 1725, 27, 15, False, "Shaved dark chocolate for drinking", 4, 16),
    (501, "Vanilla Syrup", 5, "1 l bottle", 745, 96, 30, False, "Made with cane sugar and real vanilla", 5, 24),
    (502, "Caramel Syrup", 5, "1 l bottle", 745, 84, 30, False, "Dark caramel with a pinch of sea salt", 5, 24),
    (503, "Hazelnut Syrup", 5, "1 l bottle", 745, 41, 30, False, "Roasted Piedmont hazelnuts", 4, 24),
    (504, "Compostable Cups 12 oz", 5, "case of 1,000", 4800, 14, 10, False, "Plant-lined paper cups", 4, 4),
    (505, "Filter Papers 250 mm", 5, "pack of 500", 1160, 48, 20, False, "Unbleached, for batch brewers", 3, 10),
    (506, "Oat Drink Barista", 5, "case of 6 x 1 l", 1470, 38, 20, False, "Steams to a fine, glossy foam", 6, 20),
    (507, "Gingerbread Syrup", 5, "1 l bottle", 820, 0, 0, True, "A winter special, not made any more", 2, 12),
]
SEASONAL = {507: (10, 11, 12)}  # ordered only in these months
DISCONTINUED_FROM = {305: date(2024, 7, 1), 507: date(2024, 1, 1)}

QUANTITIES = [1, 2, 3, 4, 5, 6, 8, 10, 12, 16, 20, 24, 30, 40]
MINIMUM_ORDER = 15000  # cents: below this an order gets more lines


def quoted(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def money(cents):
    return f"{cents // 100}.{cents % 100:02d}".rstrip("0").rstrip(".") if cents % 100 else str(cents // 100)


def stamp(moment):
    return moment.strftime("%Y-%m-%dT%H:%M")


def business_days_after(day, count):
    while count:
        day += timedelta(days=1)
        if day.weekday() < 5:
            count -= 1
    return day


def price_on(product, day):
    """The list price in cents on that day: 4% less before the price rise, to the nearest 5 cents."""
    cents = product[4]
    return cents if day >= PRICE_RISE_DAY else int(round(cents / 1.04 / 5)) * 5


def discount_for(quantity, cents):
    """Percent off: 10 for 24 and more, 5 for 12 and more, where it leaves whole cents."""
    if quantity >= 24 and cents * quantity * 90 % 100 == 0:
        return 10
    if quantity >= 12 and cents * quantity * 95 % 100 == 0:
        return 5
    return 0


def orders_and_lines(rng):
    """Orders day by day: each customer orders on a working day with its monthly rate, a little more in
    the weeks before Christmas, and only while it is a customer."""
    orders, lines = [], []
    day = FIRST_DAY
    while day <= LAST_DAY:
        if day.weekday() < 5:
            season = 1.5 if day.month in (11, 12) else 0.8 if day.month in (1, 8) else 1.0
            for customer in CUSTOMERS:
                number, since, rate = customer[0], date.fromisoformat(customer[7]), customer[10]
                if day < since or day > LAST_ORDER_OF_INACTIVE.get(number, LAST_DAY):
                    continue
                growth = 1.15 if day.year == 2024 else 1.0  # the business grew in its second year
                if rng.random() >= 0.7 * rate * season * growth / 21:
                    continue
                order_id = 10001 + len(orders)
                ordered = datetime.combine(day, time(rng.randint(8, 16), rng.randrange(0, 60)))
                shipped = None
                if day < UNSHIPPED_FROM:
                    shipped = datetime.combine(business_days_after(day, rng.choice([1, 1, 2, 2, 3])),
                                               time(rng.randint(9, 15), rng.choice([0, 15, 30, 45])))
                overdue = number in OVERDUE_CUSTOMERS and day >= date(2024, 9, 1)
                paid = day < OPEN_FROM and not overdue or day >= OPEN_FROM and rng.random() < 0.4
                orders.append((order_id, number, ordered, shipped, customer[5], paid))
                available = [p for p in PRODUCTS if day.month in SEASONAL.get(p[0], range(1, 13))
                             and day < DISCONTINUED_FROM.get(p[0], LAST_DAY + timedelta(days=1))]
                # A few lines, and more until the order is worth the delivery.
                count = rng.choice([1, 2, 2, 3, 3, 3, 4, 4, 5])
                chosen, total = {}, 0
                while len(chosen) < min(count, len(available)) or total < MINIMUM_ORDER and len(chosen) < 8:
                    product = rng.choices(available, weights=[p[9] for p in available])[0]
                    if product[0] in chosen:
                        continue
                    quantity = rng.choice([q for q in QUANTITIES if q <= product[10]])
                    cents = price_on(product, day)
                    discount = discount_for(quantity, cents)
                    chosen[product[0]] = (quantity, cents, discount)
                    total += cents * quantity * (100 - discount) // 100
                for product_id in sorted(chosen):
                    lines.append((order_id, product_id) + chosen[product_id])
        day += timedelta(days=1)
    return orders, lines


def main():
    rng = random.Random(SEED)
    orders, lines = orders_and_lines(rng)
    out = [
        "# The sample database that ships beside the program: Harbour Lane Provisions, a small (and fictional)",
        "# wholesaler of coffee, tea and baking goods to cafés and bakeries around Europe. The build turns this",
        "# file into Samples/sample.mdb with mkmdb; the format is described in tools/mkmdb/README.md.",
        "#",
        "# Written by make-sample.py beside it: change that script and run it again rather than this file.",
        "",
        "created 2025-03-03T08:30:00",
        "",
        'table "Customers"',
        'column "Customer ID" Long',
        'column "Company" Text 60',
        'column "Contact" Text 50',
        'column "Address" Text 60',
        'column "Postal Code" Text 12',
        'column "City" Text 40',
        'column "Country" Text 40',
        'column "Customer Since" DateTime',
        'column "Credit Limit" Double',
        'column "Active" YesNo',
    ]
    for c in CUSTOMERS:
        out.append(f"row {c[0]} {quoted(c[1])} {quoted(c[2])} {quoted(c[3])} {quoted(c[4])} {quoted(c[5])} "
                   f"{quoted(c[6])} {c[7]} {c[8]} {'yes' if c[9] else 'no'}")
    out += ["", 'table "Categories"', 'column "Category ID" Long', 'column "Category" Text 30',
            'column "Description" Text 120']
    for c in CATEGORIES:
        out.append(f"row {c[0]} {quoted(c[1])} {quoted(c[2])}")
    out += ["", 'table "Products"', 'column "Product ID" Long', 'column "Product" Text 60',
            'column "Category ID" Long', 'column "Unit" Text 20', 'column "Unit Price" Double',
            'column "In Stock" Long', 'column "Reorder Level" Long', 'column "Discontinued" YesNo',
            'column "Description" Text 120']
    for p in PRODUCTS:
        out.append(f"row {p[0]} {quoted(p[1])} {p[2]} {quoted(p[3])} {money(p[4])} {p[5]} {p[6]} "
                   f"{'yes' if p[7] else 'no'} {quoted(p[8])}")
    out += ["", 'table "Orders"', 'column "Order ID" Long', 'column "Customer ID" Long',
            'column "Order Date" DateTime', 'column "Shipped Date" DateTime', 'column "Ship City" Text 40',
            'column "Paid" YesNo']
    for o in orders:
        shipped = stamp(o[3]) if o[3] else "null"
        out.append(f"row {o[0]} {o[1]} {stamp(o[2])} {shipped} {quoted(o[4])} {'yes' if o[5] else 'no'}")
    out += ["", 'table "Order Lines"', 'column "Order ID" Long', 'column "Product ID" Long',
            'column "Quantity" Long', 'column "Unit Price" Double', 'column "Discount" Double']
    for line in lines:
        out.append(f"row {line[0]} {line[1]} {line[2]} {money(line[3])} {line[4] / 100:g}")
    out.append("")
    out.append(QUERIES.strip("\n"))
    out.append(REPORTS.rstrip("\n"))
    Path(__file__).with_name("sample.txt").write_text("\n".join(out) + "\n", encoding="utf-8")


# What a line comes to: its quantity at its price, less its discount, in whole cents (Currency).
LINE_AMOUNT = "CCur([Order Lines].Quantity*[Order Lines].[Unit Price]*(1-[Order Lines].Discount))"

QUERIES = f"""
# Each order with its customer, its number of lines and what it comes to.
query "Order Totals"
  from "Customers"
  from "Orders"
  from "Order Lines"
  join inner "Customers" "Orders" on "Customers.[Customer ID] = Orders.[Customer ID]"
  join inner "Orders" "Order Lines" on "Orders.[Order ID] = [Order Lines].[Order ID]"
  column "Orders.[Order ID]"
  column "Orders.[Customer ID]"
  column "Customers.Company"
  column "Customers.City"
  column "Customers.Country"
  column "Orders.[Order Date]"
  column "Orders.[Shipped Date]"
  column "Orders.Paid"
  column "Count(*)" as "Lines"
  column "Sum({LINE_AMOUNT})" as "Amount"
  group "Orders.[Order ID]"
  group "Orders.[Customer ID]"
  group "Customers.Company"
  group "Customers.City"
  group "Customers.Country"
  group "Orders.[Order Date]"
  group "Orders.[Shipped Date]"
  group "Orders.Paid"

# What each year's orders came to.
query "Yearly Sales"
  from "Order Totals"
  column "Year([Order Date])" as "Year"
  column "Sum(Amount)" as "Year Sales"
  group "Year([Order Date])"

# Each month's orders, sales and unpaid invoices, and its share of its year's sales.
query "Monthly Sales"
  from "Order Totals" as "o"
  from "Yearly Sales" as "y"
  join inner "o" "y" on "Year(o.[Order Date]) = y.Year"
  column "y.Year"
  column "Month(o.[Order Date])" as "Month"
  column "Min(o.[Order Date])" as "First Order"
  column "Count(*)" as "Orders"
  column "Sum(o.Amount)" as "Sales"
  column "Sum(o.Amount)/y.[Year Sales]" as "Share of Year"
  column "Sum(IIf(o.Paid,0,o.Amount))" as "Unpaid"
  group "y.Year"
  group "Month(o.[Order Date])"
  group "y.[Year Sales]"

# The ten products that sold for the most over both years.
query "Top Ten Products by Sales"
  from "Categories"
  from "Products"
  from "Order Lines"
  join inner "Categories" "Products" on "Categories.[Category ID] = Products.[Category ID]"
  join inner "Products" "Order Lines" on "Products.[Product ID] = [Order Lines].[Product ID]"
  column "Products.Product"
  column "Categories.Category"
  column "Products.Unit"
  column "Sum([Order Lines].Quantity)" as "Units Sold"
  column "Sum({LINE_AMOUNT})" as "Sales"
  group "Products.Product"
  group "Categories.Category"
  group "Products.Unit"
  order "Sum({LINE_AMOUNT})" descending
  top 10

# What is on sale today, by category.
query "Price List"
  from "Categories"
  from "Products"
  join inner "Categories" "Products" on "Categories.[Category ID] = Products.[Category ID]"
  column "Categories.[Category ID]"
  column "Categories.Category"
  column "Products.[Product ID]"
  column "Products.Product"
  column "Products.Description"
  column "Products.Unit"
  column "Products.[Unit Price]"
  column "Products.[In Stock]"
  column "Products.[Reorder Level]"
  where "Products.Discontinued = False"
  order "Categories.[Category ID]"
  order "Products.Product"

# Every customer's account: orders and sales each year, what is still unpaid, the last order.
query "Customer Accounts"
  from "Customers"
  from "Order Totals"
  join left "Customers" "Order Totals" on "Customers.[Customer ID] = [Order Totals].[Customer ID]"
  column "Customers.[Customer ID]"
  column "Customers.Company"
  column "Customers.Contact"
  column "Customers.City"
  column "Customers.Country"
  column "Customers.[Customer Since]"
  column "Customers.[Credit Limit]"
  column "Customers.Active"
  column "Count([Order Totals].[Order ID])" as "Orders"
  column "Sum(IIf(Year([Order Totals].[Order Date])=2023,[Order Totals].Amount,0))" as "Sales 2023"
  column "Sum(IIf(Year([Order Totals].[Order Date])=2024,[Order Totals].Amount,0))" as "Sales 2024"
  column "Sum(IIf([Order Totals].Paid,0,[Order Totals].Amount))" as "Open Balance"
  column "Max([Order Totals].[Order Date])" as "Last Order"
  group "Customers.[Customer ID]"
  group "Customers.Company"
  group "Customers.Contact"
  group "Customers.City"
  group "Customers.Country"
  group "Customers.[Customer Since]"
  group "Customers.[Credit Limit]"
  group "Customers.Active"
"""

# The reports. Lengths are twips (1,440 an inch); A4 is 11,906 by 16,838, and margins of 1,080 (3/4
# inch) leave 9,746 across (14,678 in landscape). Navy headings and rules, grey notes.
NAVY, GREY = '"#1F3A5F"', '"#5A6B7B"'
EURO = '"€#,##0.00;-€#,##0.00"'
EURO_OR_DASH = '"€#,##0.00;-€#,##0.00;\\"-\\""'  # nothing owed shows as a dash
DAY = '"d mmm yyyy"'
PAGE_OF = 'textbox "=\\"Page \\" & [Page] & \\" of \\" & [Pages]"'
PAGE = 'textbox "=\\"Page \\" & [Page]"'
PRINTED = 'textbox "=\\"Printed \\" & Format(Date(),\\"d mmmm yyyy\\")"'


def title(name, subtitle, width):
    """A report's title and what it covers, at the top of its report header."""
    return (f'    label "{name}" at 0 0 6000 500 font "Arial" 18 bold color {NAVY}\n'
            f'    label "{subtitle}" at 0 520 {width} 300 font "Arial" 10 color {GREY}')


def page_footer(width, numbers):
    """A rule, the day of printing on the left and the page number on the right."""
    return (f'  section pagefooter height 420\n'
            f'    line at 0 60 {width} 0 color {GREY}\n'
            f'    {PRINTED} at 0 120 4000 240 font "Arial" 8 color {GREY}\n'
            f'    {numbers} at {width - 4000} 120 4000 240 font "Arial" 8 color {GREY} align right')


REPORTS = f"""
# 1. Every order of both years, customer by customer, with each customer's total and running sums.
report "Orders by Customer"
  source "Order Totals"
  page portrait a4 margins 1080 1080 1080 1080
  group "Company" header footer keep first
  sort "Order Date"
  section reportheader height 1000
{title("Orders by Customer", "Harbour Lane Provisions: every order from January 2023 to December 2024", 9746)}
  section pageheader height 480
    label "Order" at 0 120 900 260 font "Arial" 9 bold
    label "Ordered" at 1000 120 1500 260 font "Arial" 9 bold
    label "Shipped" at 2600 120 1600 260 font "Arial" 9 bold
    label "Lines" at 4300 120 600 260 font "Arial" 9 bold align right
    label "Amount" at 5000 120 1500 260 font "Arial" 9 bold align right
    label "To Date" at 6600 120 1500 260 font "Arial" 9 bold align right
    label "Running Total" at 8200 120 1546 260 font "Arial" 9 bold align right
    line at 0 420 9746 0 color {NAVY}
  section groupheader 0 height 440
    textbox "Company" at 0 110 5400 270 font "Arial" 10 bold color {NAVY}
    textbox "=[City] & \\", \\" & [Country]" at 5500 120 4246 250 font "Arial" 9 color {GREY} align right
    line at 0 400 9746 0 color {GREY}
  section detail height 250
    textbox "Order ID" at 0 0 900 240 font "Arial" 9 align left
    textbox "Order Date" at 1000 0 1500 240 font "Arial" 9 format {DAY} align left
    textbox "=IIf(IsNull([Shipped Date]),\\"not yet shipped\\",Format([Shipped Date],\\"d mmm yyyy\\"))" at 2600 0 1600 240 font "Arial" 9
    textbox "Lines" at 4300 0 600 240 font "Arial" 9 align right
    textbox "Amount" at 5000 0 1500 240 font "Arial" 9 format {EURO} align right
    textbox "Amount" at 6600 0 1500 240 font "Arial" 9 format {EURO} align right runningsum group color {GREY}
    textbox "Amount" at 8200 0 1546 240 font "Arial" 9 format {EURO} align right runningsum all color {GREY}
  section groupfooter 0 height 520
    line at 5000 40 1500 0 color {NAVY}
    textbox "=\\"Total for \\" & [Company]" at 0 80 4200 260 font "Arial" 9 bold
    textbox "=Count([Order ID])" at 4300 80 600 260 font "Arial" 9 bold align right
    textbox "=Sum([Amount])" at 5000 80 1500 260 font "Arial" 9 bold format {EURO} align right
{page_footer(9746, PAGE_OF)}
  section reportfooter height 700
    line at 0 80 9746 0 color {NAVY}
    label "All customers" at 0 160 2500 300 font "Arial" 10 bold color {NAVY}
    textbox "=Count([Order ID])" at 3900 160 1000 300 font "Arial" 10 bold align right
    textbox "=Sum([Amount])" at 5000 160 1500 300 font "Arial" 10 bold format {EURO} align right

# 2. The catalogue: each category with its description and, from the price list, its products.
report "Product Catalogue"
  source "Categories"
  page portrait a4 margins 1080 1080 1080 1080
  sort "Category ID"
  section reportheader height 2300
    box at 0 0 9746 1900 filled {NAVY}
    label "Harbour Lane Provisions" at 400 300 8900 650 font "Georgia" 26 bold color "#FFFFFF"
    label "Product Catalogue 2025" at 400 1000 8900 420 font "Arial" 14 color "#FFFFFF"
    label "Coffee, tea and baking goods for cafés and bakeries. Prices per unit, excluding VAT." at 400 1450 8900 300 font "Arial" 9 color "#DCE6F0"
  section detail height 1500 keep
    textbox "Category" at 0 120 9746 460 font "Georgia" 16 bold color {NAVY}
    textbox "Description" at 0 600 9746 280 font "Arial" 9 italic color {GREY}
    subreport "Report.Price List" at 0 960 9746 400 link "Category ID" "Category ID"
  section pagefooter height 420
    line at 0 60 9746 0 color {GREY}
    label "Harbour Lane Provisions, 14 Harbour Lane, Cork T12 RX2P, Ireland. Orders: orders@harbourlane.example" at 0 120 7800 240 font "Arial" 8 color {GREY}
    {PAGE} at 7846 120 1900 240 font "Arial" 8 color {GREY} align right

# 3. Address labels for every active customer, three across an A4 sheet of 21 (63.5 by 38.1 mm).
report "Customer Labels"
  source "SELECT * FROM Customers WHERE Active = True"
  page portrait a4 margins 408 856 408 850
  columns 3 spacing 142 across width 3600 height 2160
  sort "Country"
  sort "Company"
  section detail height 2160
    textbox "Company" at 280 330 3100 280 font "Arial" 10 bold
    textbox "Contact" at 280 620 3100 250 font "Arial" 9
    textbox "Address" at 280 870 3100 250 font "Arial" 9
    textbox "=IIf([Country] In (\\"United Kingdom\\",\\"Ireland\\"),[City] & \\" \\" & [Postal Code],[Postal Code] & \\" \\" & [City])" at 280 1120 3100 250 font "Arial" 9
    textbox "=UCase([Country])" at 280 1370 3100 250 font "Arial" 9 bold

# 4. Month by month: orders, sales, the average order, each month's share of its year, what is unpaid.
report "Sales by Month"
  source "Monthly Sales"
  page portrait a4 margins 1080 1080 1080 1080
  group "Year" header footer keep whole
  sort "Month"
  section reportheader height 1000
{title("Sales by Month", "Harbour Lane Provisions: sales to customers in 2023 and 2024", 9746)}
  section groupheader 0 height 960
    textbox "=\\"Sales in \\" & [Year]" at 0 100 5000 400 font "Arial" 14 bold color {NAVY}
    label "Month" at 0 620 1700 260 font "Arial" 9 bold
    label "First Order" at 1800 620 1300 260 font "Arial" 9 bold
    label "Orders" at 3200 620 900 260 font "Arial" 9 bold align right
    label "Sales" at 4200 620 1500 260 font "Arial" 9 bold align right
    label "Average Order" at 5800 620 1400 260 font "Arial" 9 bold align right
    label "Share" at 7300 620 1000 260 font "Arial" 9 bold align right
    label "Unpaid" at 8400 620 1346 260 font "Arial" 9 bold align right
    line at 0 920 9746 0 color {NAVY}
  section detail height 270
    textbox "=Format(DateSerial([Year],[Month],1),\\"mmmm\\")" at 0 10 1700 250 font "Arial" 9
    textbox "First Order" at 1800 10 1300 250 font "Arial" 9 format "Medium Date" align left
    textbox "Orders" at 3200 10 900 250 font "Arial" 9 align right
    textbox "Sales" at 4200 10 1500 250 font "Arial" 9 format {EURO} align right
    textbox "=[Sales]/[Orders]" at 5800 10 1400 250 font "Arial" 9 format {EURO} align right
    textbox "Share of Year" at 7300 10 1000 250 font "Arial" 9 format "Percent" align right
    textbox "Unpaid" at 8400 10 1346 250 font "Arial" 9 format {EURO_OR_DASH} align right
  section groupfooter 0 height 700
    line at 3200 60 6546 0 color {NAVY}
    textbox "=\\"Total \\" & [Year]" at 0 120 3000 280 font "Arial" 10 bold
    textbox "=Sum([Orders])" at 3200 120 900 280 font "Arial" 10 bold align right
    textbox "=Sum([Sales])" at 4200 120 1500 280 font "Arial" 10 bold format {EURO} align right
    textbox "=Sum([Sales])/Sum([Orders])" at 5800 120 1400 280 font "Arial" 10 bold format {EURO} align right
    textbox "=Sum([Share of Year])" at 7300 120 1000 280 font "Arial" 10 bold format "Percent" align right
    textbox "=Sum([Unpaid])" at 8400 120 1346 280 font "Arial" 10 bold format {EURO_OR_DASH} align right
{page_footer(9746, PAGE)}
  section reportfooter height 1100
    line at 0 80 9746 0 color {NAVY}
    label "Both years" at 0 160 3000 300 font "Arial" 10 bold color {NAVY}
    textbox "=Sum([Orders])" at 3200 160 900 300 font "Arial" 10 bold align right
    textbox "=Sum([Sales])" at 4200 160 1500 300 font "Arial" 10 bold format {EURO} align right
    textbox "=Sum([Sales])/Sum([Orders])" at 5800 160 1400 300 font "Arial" 10 bold format {EURO} align right
    textbox "=\\"Sales in 2024 against 2023: \\" & Format(Sum(IIf([Year]=2024,[Sales],0))/Sum(IIf([Year]=2023,[Sales],0))-1,\\"+0.0%;-0.0%\\")" at 0 620 9746 300 font "Arial" 9 italic color {GREY}

# 5. The ten best sellers, from a saved query that joins three tables, sorts by sales and keeps the top ten.
report "Top 10 Products"
  source "Top Ten Products by Sales"
  page portrait a4 margins 1080 1080 1080 1080
  sort "Sales" descending
  section reportheader height 1500
{title("Top 10 Products", "Harbour Lane Provisions: the ten products that sold for the most in 2023 and 2024", 9746)}
    label "Rank" at 0 1080 600 260 font "Arial" 9 bold align right
    label "Product" at 800 1080 3400 260 font "Arial" 9 bold
    label "Category" at 4300 1080 1900 260 font "Arial" 9 bold
    label "Unit" at 6200 1080 1300 260 font "Arial" 9 bold
    label "Units Sold" at 7400 1080 900 260 font "Arial" 9 bold align right
    label "Sales" at 8300 1080 1446 260 font "Arial" 9 bold align right
    line at 0 1400 9746 0 color {NAVY}
  section detail height 380
    textbox "=1" at 0 60 600 260 font "Arial" 10 bold align right runningsum all color {NAVY}
    textbox "Product" at 800 60 3400 260 font "Arial" 10
    textbox "Category" at 4300 60 1900 260 font "Arial" 9 color {GREY}
    textbox "Unit" at 6200 60 1300 260 font "Arial" 9 color {GREY}
    textbox "Units Sold" at 7400 60 900 260 font "Arial" 10 format "#,##0" align right
    textbox "Sales" at 8300 60 1446 260 font "Arial" 10 format {EURO} align right
  section reportfooter height 600
    line at 0 60 9746 0 color {NAVY}
    label "The ten together" at 800 140 3400 280 font "Arial" 10 bold
    textbox "=Sum([Units Sold])" at 7400 140 900 280 font "Arial" 10 bold format "#,##0" align right
    textbox "=Sum([Sales])" at 8300 140 1446 280 font "Arial" 10 bold format {EURO} align right

# 6. The price list: every product on sale by category, over as many pages as it takes, numbered.
#    The catalogue shows it too, one category at a time (page headers and footers do not print there).
report "Price List"
  source "Price List"
  page portrait a4 margins 1080 1080 1080 1080
  group "Category ID" header keep first
  sort "Product"
  section pageheader height 900
    label "Price List" at 0 0 5000 450 font "Arial" 16 bold color {NAVY}
    label "Harbour Lane Provisions: prices from 1 January 2024, per unit, excluding VAT" at 0 480 9746 280 font "Arial" 9 color {GREY}
  section groupheader 0 height 560
    textbox "Category" at 0 200 4500 300 font "Arial" 11 bold color {NAVY}
    label "Unit" at 4600 240 1800 260 font "Arial" 8 bold color {GREY}
    label "Price" at 6500 240 1300 260 font "Arial" 8 bold color {GREY} align right
    label "In Stock" at 8000 240 1746 260 font "Arial" 8 bold color {GREY} align right
    line at 0 530 9746 0 color {NAVY}
  section detail height 620
    textbox "Product" at 0 60 4500 260 font "Arial" 10 bold
    textbox "Description" at 0 320 6400 240 font "Arial" 8 italic color {GREY}
    textbox "Unit" at 4600 60 1800 260 font "Arial" 9
    textbox "Unit Price" at 6500 60 1300 260 font "Arial" 10 format {EURO} align right
    textbox "=IIf([In Stock]<[Reorder Level],\\"low: \\" & [In Stock],[In Stock])" at 8000 60 1746 260 font "Arial" 9 align right
{page_footer(9746, PAGE_OF)}

# 7. Landscape: every customer's account by country, its sales each year and what it still owes.
report "Customer Accounts"
  source "Customer Accounts"
  page landscape a4 margins 1080 1080 1080 1080
  group "Country" header footer keep first
  sort "Company"
  section reportheader height 1000
{title("Customer Accounts", "Harbour Lane Provisions: orders and sales of 2023 and 2024, and invoices still open, by country", 14678)}
  section pageheader height 480
    label "Customer" at 0 120 3000 260 font "Arial" 9 bold
    label "Contact" at 3100 120 1900 260 font "Arial" 9 bold
    label "City" at 5100 120 1500 260 font "Arial" 9 bold
    label "Since" at 6700 120 1100 260 font "Arial" 9 bold
    label "Credit Limit" at 7800 120 1200 260 font "Arial" 9 bold align right
    label "Orders" at 9100 120 700 260 font "Arial" 9 bold align right
    label "Sales 2023" at 9900 120 1200 260 font "Arial" 9 bold align right
    label "Sales 2024" at 11200 120 1200 260 font "Arial" 9 bold align right
    label "Change" at 12500 120 800 260 font "Arial" 9 bold align right
    label "Open" at 13400 120 1278 260 font "Arial" 9 bold align right
    line at 0 420 14678 0 color {NAVY}
  section groupheader 0 height 400
    textbox "Country" at 0 100 5000 270 font "Arial" 10 bold color {NAVY}
  section detail height 260
    textbox "=[Company] & IIf([Active],\\"\\",\\" (closed)\\")" at 0 0 3000 250 font "Arial" 9
    textbox "Contact" at 3100 0 1900 250 font "Arial" 9
    textbox "City" at 5100 0 1500 250 font "Arial" 9
    textbox "Customer Since" at 6700 0 1100 250 font "Arial" 9 format "mmm yyyy" align left
    textbox "Credit Limit" at 7800 0 1200 250 font "Arial" 9 format "€#,##0" align right
    textbox "Orders" at 9100 0 700 250 font "Arial" 9 align right
    textbox "Sales 2023" at 9900 0 1200 250 font "Arial" 9 format {EURO} align right
    textbox "Sales 2024" at 11200 0 1200 250 font "Arial" 9 format {EURO} align right
    textbox "=IIf([Sales 2023]=0,Null,[Sales 2024]/[Sales 2023]-1)" at 12500 0 800 250 font "Arial" 9 format "+0%;-0%;0%" align right
    textbox "Open Balance" at 13400 0 1278 250 font "Arial" 9 format {EURO_OR_DASH} align right
  section groupfooter 0 height 420
    line at 9100 40 5578 0 color {GREY}
    textbox "=\\"Total \\" & [Country]" at 0 90 5000 260 font "Arial" 9 bold
    textbox "=Sum([Orders])" at 9100 90 700 260 font "Arial" 9 bold align right
    textbox "=Sum([Sales 2023])" at 9900 90 1200 260 font "Arial" 9 bold format {EURO} align right
    textbox "=Sum([Sales 2024])" at 11200 90 1200 260 font "Arial" 9 bold format {EURO} align right
    textbox "=Sum([Open Balance])" at 13400 90 1278 260 font "Arial" 9 bold format {EURO_OR_DASH} align right
{page_footer(14678, PAGE_OF)}
  section reportfooter height 700
    line at 0 80 14678 0 color {NAVY}
    label "All customers" at 0 160 3000 300 font "Arial" 10 bold color {NAVY}
    textbox "=Sum([Orders])" at 9100 160 700 300 font "Arial" 10 bold align right
    textbox "=Sum([Sales 2023])" at 9900 160 1200 300 font "Arial" 10 bold format {EURO} align right
    textbox "=Sum([Sales 2024])" at 11200 160 1200 300 font "Arial" 10 bold format {EURO} align right
    textbox "=Sum([Open Balance])" at 13400 160 1278 300 font "Arial" 10 bold format {EURO} align right
"""


if __name__ == "__main__":
    main()
